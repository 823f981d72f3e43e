// The console dialogue: four questions, asked in turn, with the script written as the answers
// come in.
#ifndef LDSGEN_DIALOGUE_H_
#define LDSGEN_DIALOGUE_H_

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "script_writer.h"

namespace ldsgen {

/// A script being written. Its text reaches the file the user named only when commit()
/// succeeds; destroyed before that, it leaves that file as it was.
class ScriptFile {
 public:
  virtual ~ScriptFile() = default;
  virtual Sink& sink() = 0;
  /// Stores the complete script under its name. False, with the reason, if it could not.
  virtual bool commit(std::string* why) = 0;
  /// The bytes free where the script goes; none for a device, which has no such limit.
  virtual std::optional<std::uint64_t> free_space() const { return std::nullopt; }
  /// Whether the file ends its lines with CR LF (a text file on Windows), a byte more a line.
  virtual bool crlf() const { return false; }
};

struct OpenedScript {
  enum Status { kOpened, kNotAScript, kFailed } status = kFailed;
  std::unique_ptr<ScriptFile> file;  // when kOpened
  std::string why;                   // when kFailed: the system's reason
  std::vector<std::string> notes;    // what was done on the way, such as leftovers removed
};

/// Opens a script under the name the user gave. kNotAScript: a file of that name holds something
/// other than an ldsgen script, and is left alone.
using CreateScript = std::function<OpenedScript(const std::string& name)>;

/// The data file's name as the script must carry it, with warnings for what it can't carry.
using EncodeDataName =
    std::function<std::string(const std::string& name, std::vector<std::string>* warnings)>;

class DiagramReader;
struct DataBeginning;

/// Reads the beginning of the data file at this path, to check it against the script.
using ReadData = std::function<DataBeginning(const std::string& path)>;

/// The answers a complete run took, for what is written after the script from the same answers.
struct TakenAnswers {
  Model model;
  std::string data_file;  // as the script names it
  std::int32_t occasions = 0;
};

/// How a run goes beyond the questions themselves.
struct DialogueSetup {
  CreateScript create;
  EncodeDataName encode;  // none: the data name as given
  /// Answers given beforehand, on the command line: their questions are not asked, and a
  /// refused one ends the run with status 2, as no one is there to answer again.
  std::optional<std::string> script, model, data, occasions;
  /// The model's names, change kinds, couplings and starting values; its kind is the answer.
  Model variant;
  bool quiet = false;                // no line saying what was written
  DiagramReader* diagram = nullptr;  // where every line of the script also goes, if anywhere
  ReadData read_data;                // none: the data file is not checked
  TakenAnswers* taken = nullptr;     // where the answers go once the script is stored
};

/// Asks the questions on `out`, reads the answers from `in`, writes the script to the file that
/// `setup.create` opens and reports refusals, warnings and failures on `err`. A typed answer that
/// is refused is asked again. Returns the exit status: 0 once the script is complete and stored,
/// 1 when input ended early or the script could not be written or stored, 2 when a given answer
/// is refused.
int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err,
                 const DialogueSetup& setup);
/// The same, with every answer asked.
int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err,
                 const CreateScript& create);

}  // namespace ldsgen

#endif  // LDSGEN_DIALOGUE_H_

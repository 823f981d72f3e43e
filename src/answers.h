// Answers: how they are read from a stream of typed text, and which ones are taken. Both front
// ends, the console and the web page, use these rules, so a refusal reads the same in either.
#ifndef LDSGEN_ANSWERS_H_
#define LDSGEN_ANSWERS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script_writer.h"

namespace ldsgen {

/// File names longer than this are refused, and their bytes past it are never stored, so a
/// runaway word can't exhaust memory.
constexpr std::size_t kMaxFileName = 4096;

/// One answer as typed: a word, or a quoted answer ("C:\My Data\wave.dat") that runs to its
/// closing quote, blanks included.
struct RawAnswer {
  std::string text;  // for a quoted answer, without its quotes
  bool quoted = false;
  bool too_long = false;  // text holds only the first kMaxFileName + 1 bytes
  bool unclosed = false;  // the line ended before the closing quote
};

/// Bytes to read answers from, a block at a time, with room to give back what was read ahead
/// (after a file name, the next word on its line is read to see whether it is a number). Its
/// calls are those of a stream buffer's, so that reading a byte costs no more.
class Input {
 public:
  static constexpr int kEnd = -1;
  virtual ~Input() = default;
  /// The next byte, still unread; kEnd at the end.
  int sgetc() { return at_ < held_.size() ? static_cast<unsigned char>(held_[at_]) : refill(); }
  /// Reads the next byte and returns the one after it, still unread.
  int snextc() {
    if (at_ < held_.size()) ++at_;
    return sgetc();
  }
  /// Puts text back in front of what is still unread.
  void unread(std::string_view text);

 protected:
  /// Replaces `block` with the next bytes there are, without waiting for more than are ready;
  /// false at the end.
  virtual bool more(std::string* block) = 0;

 private:
  int refill();
  std::string held_;
  std::size_t at_ = 0;
};

/// Input from a text held in memory, such as a form's field.
class TextInput : public Input {
 public:
  explicit TextInput(std::string_view text) : text_(text) {}

 protected:
  bool more(std::string* block) override;

 private:
  std::string_view text_;
};

/// Reads the next answer. The white space after a word, and the byte after a closing quote, stay
/// unread. False at end of input, and for a quote that input ends inside.
bool read_answer(Input& in, RawAnswer* answer);

enum class ReadInteger { kNumber, kNotANumber, kOutOfRange, kEndOfInput };

/// Reads a word that is a decimal 32-bit integer with an optional sign. The whole word is read:
/// "1.5", "4,5" and "3abc" are not numbers, and nothing of them is left for the next answer.
/// `word`, when given, receives the word as typed (its first bytes, for a message).
ReadInteger read_integer(Input& in, std::int32_t* value, std::string* word = nullptr);

/// Whether the unquoted name just read was cut at a blank: the next word on its line is not a
/// whole number (answers on one line name a file and then give a number). If so, returns true
/// with the line as typed in `line` and drops the rest of it; else leaves the input as it was.
bool blank_in_name(Input& in, const RawAnswer& name, std::string* line);

/// True when nothing but white space is left: a form field holds one answer.
bool only_space_left(Input& in);

enum class FileRole { kScript, kData };

/// The verdict on a file-name answer: the name to use, or why it is refused.
struct FileName {
  std::string name;     // a data name keeps its quotes, which Mplus reads
  std::string problem;  // empty when the name is taken
};

FileName check_file_name(const RawAnswer& answer, FileRole role);

/// A form's field holds one answer, read as the console reads one. These refuse a field that
/// holds none, or more than one (a name with blanks that is not in quotes).
FileName file_name_field(std::string_view field, FileRole role);
struct Occasions {
  std::int32_t value = 0;
  std::string problem;  // empty when the count is taken
};
Occasions occasions_field(std::string_view field);

/// Answers given as options on the command line. A name is one answer whatever it holds, as
/// the shell has done the quoting; a data name with blanks goes in quotes, as a typed one in
/// quotes does. A model is named (univariate, uni, bivariate, bi) or given by its code.
FileName file_name_argument(const std::string& text, FileRole role);
std::optional<ModelKind> model_argument(const std::string& word);

/// What Mplus will make of a data name it would misread; empty when there is nothing to say.
std::vector<std::string> data_name_warnings(std::string_view name);

/// Why an occasion count as read is refused; empty when it is taken.
std::string occasions_problem(ReadInteger read, std::int32_t occasions, std::string_view word);
/// The message for a count that is out of range, or for a word that is not a whole number.
std::string unreadable_occasions();
std::string not_whole_occasions(std::string_view word);
/// The message for a name that was cut at a blank.
std::string blank_problem(FileRole role, std::string_view line = {});

/// A count with its thousands grouped by commas, as in 1,048,576.
std::string grouped(std::uint64_t count);

/// Text with every control character shown as \xHH, safe to print on a terminal: the C0 bytes,
/// DEL, and the C1 characters U+0080 to U+009F (in UTF-8, C2 80 to C2 9F) that terminals obey.
std::string printable(std::string_view text);

}  // namespace ldsgen

#endif  // LDSGEN_ANSWERS_H_

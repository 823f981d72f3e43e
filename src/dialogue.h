// The console dialogue: four questions, asked in turn, with the script written as the answers
// come in.
#ifndef LDSGEN_DIALOGUE_H_
#define LDSGEN_DIALOGUE_H_

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

namespace ldsgen {

/// Reads the next word: leading white space skipped, up to the next white space, which stays
/// unread. False at end of input.
bool read_token(std::istream& in, std::string* token);

enum class ReadInteger { kNumber, kNotANumber, kEndOfInput };

/// Reads a decimal 32-bit integer with an optional sign, leaving the first byte after its digits
/// unread ("1.5" reads 1 and leaves ".5"). A word that is no such number is read to its end and
/// dropped, so that asking again can't loop on it.
ReadInteger read_integer(std::istream& in, std::int32_t* value);

/// Creates the named script file, or returns null and says why.
using CreateScript =
    std::function<std::unique_ptr<std::ostream>(const std::string& name, std::string* why)>;

/// Asks the questions on `out`, reads the answers from `in`, writes the script to the stream that
/// `create` makes and reports failures on `err`. Returns the exit status: 0 once the script is
/// complete, 1 when input ended early or the script could not be created or written.
int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err,
                 const CreateScript& create);

}  // namespace ldsgen

#endif  // LDSGEN_DIALOGUE_H_

// Answers: how they are read from a stream of typed text, and which ones are taken. Both front
// ends, the console and the web page, use these rules, so a refusal reads the same in either.
#ifndef LDSGEN_ANSWERS_H_
#define LDSGEN_ANSWERS_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
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

/// Reads the next answer. The white space after a word, and the byte after a closing quote, stay
/// unread. False at end of input, and for a quote that input ends inside.
bool read_answer(std::istream& in, RawAnswer* answer);

enum class ReadInteger { kNumber, kNotANumber, kEndOfInput };

/// Reads a decimal 32-bit integer with an optional sign, leaving the first byte after its digits
/// unread ("1.5" reads 1 and leaves ".5"). A word that is no such number is read to its end and
/// dropped, so that asking again can't loop on it.
ReadInteger read_integer(std::istream& in, std::int32_t* value);

/// True when nothing but white space is left: a form field holds one answer.
bool only_space_left(std::istream& in);

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

/// What Mplus will make of a data name it would misread; empty when there is nothing to say.
std::vector<std::string> data_name_warnings(std::string_view name);

/// Why an occasion count is refused; empty when it is taken.
std::string occasions_problem(std::int32_t occasions);
/// The message for a count that is not a whole number in range.
std::string unreadable_occasions();

/// What a researcher should know about a count that is taken: models that can't be estimated,
/// names Mplus won't accept.
std::vector<std::string> occasions_warnings(ModelKind kind, std::int32_t occasions);

/// Text with every control byte shown as \xHH, safe to print on a terminal.
std::string printable(std::string_view text);

}  // namespace ldsgen

#endif  // LDSGEN_ANSWERS_H_

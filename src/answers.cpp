#include "answers.h"

#include <algorithm>
#include <istream>
#include <limits>
#include <sstream>
#include <streambuf>

namespace ldsgen {

namespace {

using Traits = std::streambuf::traits_type;
constexpr int kEof = Traits::eof();

// Exactly these six bytes separate answers, whatever the locale; bytes above 127 are ordinary.
bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(int c) {
  return c >= '0' && c <= '9';
}

bool is_control(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

// Returns the first byte after any white space, still unread.
int skip_space(std::streambuf& in) {
  int c = in.sgetc();
  while (c != kEof && is_space(c)) c = in.snextc();
  return c;
}

void skip_word(std::streambuf& in) {
  int c = in.sgetc();
  while (c != kEof && !is_space(c)) c = in.snextc();
}

// Keeps a byte unless the text is already past the limit: the rest of a huge answer is read and
// dropped, never stored.
void keep(RawAnswer* answer, int c) {
  if (answer->text.size() > kMaxFileName) {
    answer->too_long = true;
    return;
  }
  answer->text.push_back(Traits::to_char_type(c));
  answer->too_long = answer->text.size() > kMaxFileName;
}

}  // namespace

bool read_answer(std::istream& in, RawAnswer* answer) {
  std::streambuf& buf = *in.rdbuf();
  *answer = RawAnswer();
  int c = skip_space(buf);
  if (c == kEof) return false;
  if (c != '"') {
    for (; c != kEof && !is_space(c); c = buf.snextc()) keep(answer, c);
    return true;
  }
  answer->quoted = true;
  // A line end inside the quotes means the closing quote was forgotten: waiting for it would
  // leave the user at a question that seems to hang.
  for (c = buf.snextc(); c != '"'; c = buf.snextc()) {
    if (c == kEof) return false;
    if (c == '\n' || c == '\r') {
      answer->unclosed = true;
      return true;
    }
    keep(answer, c);
  }
  buf.sbumpc();
  return true;
}

ReadInteger read_integer(std::istream& in, std::int32_t* value) {
  std::streambuf& buf = *in.rdbuf();
  int c = skip_space(buf);
  if (c == kEof) return ReadInteger::kEndOfInput;
  const bool negative = c == '-';
  if (c == '-' || c == '+') c = buf.snextc();
  // The magnitude is held in 64 bits and stops growing once past the 32-bit range, so any run
  // of digits is read without overflow.
  const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + negative;
  std::int64_t magnitude = 0;
  bool digits = false;
  for (; is_digit(c); c = buf.snextc()) {
    digits = true;
    if (magnitude <= limit) magnitude = magnitude * 10 + (c - '0');
  }
  if (!digits || magnitude > limit) {
    skip_word(buf);
    return ReadInteger::kNotANumber;
  }
  *value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return ReadInteger::kNumber;
}

bool only_space_left(std::istream& in) {
  return skip_space(*in.rdbuf()) == kEof;
}

namespace {

const char* file_what(FileRole role) {
  return role == FileRole::kScript ? "the script file name" : "the data file name";
}

}  // namespace

FileName check_file_name(const RawAnswer& answer, FileRole role) {
  const std::string what = file_what(role);
  const std::string shown =
      printable(answer.text.substr(0, 60)) + (answer.text.size() > 60 ? "..." : "");
  FileName result;
  if (answer.too_long) {
    result.problem = what + " is longer than 4096 bytes";
  } else if (answer.unclosed) {
    result.problem = what + " \"" + shown + " has no closing quote";
  } else if (answer.quoted && answer.text.empty()) {
    result.problem = what + " is empty";
  } else if (auto c = std::find_if(answer.text.begin(), answer.text.end(),
                                   [](unsigned char b) { return is_control(b); });
             c != answer.text.end()) {
    result.problem =
        what + " '" + shown + "' holds a control byte (" + printable(std::string(1, *c)) + ")";
  } else {
    // Mplus reads a quoted data name, blanks included; a script name is the file's own name.
    result.name = answer.quoted && role == FileRole::kData ? '"' + answer.text + '"' : answer.text;
  }
  return result;
}

FileName file_name_field(std::string_view field, FileRole role) {
  std::istringstream in{std::string(field)};
  RawAnswer answer;
  FileName result;
  if (!read_answer(in, &answer)) {
    result.problem =
        std::string(file_what(role)) + (answer.quoted ? " has no closing quote" : " is missing");
    return result;
  }
  result = check_file_name(answer, role);
  if (result.problem.empty() && !only_space_left(in)) {
    result.problem =
        std::string(file_what(role)) + " holds a blank: put a name with blanks in double quotes";
  }
  return result;
}

Occasions occasions_field(std::string_view field) {
  std::istringstream in{std::string(field)};
  Occasions result;
  switch (read_integer(in, &result.value)) {
    case ReadInteger::kEndOfInput:
      result.problem = "the number of occasions is missing";
      break;
    case ReadInteger::kNotANumber:
      result.problem = unreadable_occasions();
      break;
    case ReadInteger::kNumber:
      result.problem =
          only_space_left(in) ? occasions_problem(result.value) : unreadable_occasions();
      break;
  }
  return result;
}

std::vector<std::string> data_name_warnings(std::string_view name) {
  std::vector<std::string> warnings;
  if (name.find('!') != std::string_view::npos)
    warnings.push_back(
        "the data file name holds '!', which starts a comment in Mplus: Mplus "
        "will read the name only up to it");
  if (name.find(';') != std::string_view::npos)
    warnings.push_back(
        "the data file name holds ';', which ends a statement in Mplus: Mplus "
        "will read the name only up to it");
  if (data_statement(name).too_wide)
    warnings.push_back(
        "a part of the data file name between slashes is too long for one line "
        "of 90 characters, and Mplus may cut it");
  return warnings;
}

std::string unreadable_occasions() {
  return "the number of occasions must be a whole number from 2 to 2147483647";
}

std::string occasions_problem(std::int32_t occasions) {
  if (occasions >= 2) return "";
  return "a change model needs at least 2 occasions: " + unreadable_occasions();
}

std::vector<std::string> occasions_warnings(ModelKind kind, std::int32_t occasions) {
  const bool bivariate = kind == ModelKind::Bivariate;
  std::vector<std::string> warnings;
  if (occasions == 2) {
    warnings.push_back(std::string("the model is not identified with 2 occasions: it has more "
                                   "parameters than the data have means and covariances; ") +
                       (bivariate ? "3 or more occasions are needed, and 4 or more are "
                                    "recommended for the bivariate model"
                                  : "3 or more occasions are needed"));
  } else if (occasions == 3 && bivariate) {
    warnings.push_back(
        "the bivariate model is identified with 3 occasions but hard to estimate; "
        "4 or more occasions are recommended");
  }
  if (occasions >= 1000000) {
    warnings.push_back("names such as ly" + std::to_string(occasions) +
                       " are longer than the 8 characters Mplus allows for a name");
  }
  return warnings;
}

std::string printable(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (unsigned char c : text) {
    if (is_control(c)) {
      shown += "\\x";
      shown += kHex[c >> 4];
      shown += kHex[c & 15];
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

}  // namespace ldsgen

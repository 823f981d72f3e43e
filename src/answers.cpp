#include "answers.h"

#include <algorithm>
#include <limits>

namespace ldsgen {

namespace {

constexpr int kEof = Input::kEnd;

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

// The second byte of a C1 control character in UTF-8, after 0xC2.
bool is_c1(unsigned char second) {
  return second >= 0x80 && second <= 0x9F;
}

// Returns the first byte after any white space, still unread.
int skip_space(Input& in) {
  int c = in.sgetc();
  while (c != kEof && is_space(c)) c = in.snextc();
  return c;
}

// Keeps a byte unless the text is already past the limit: the rest of a huge answer is read and
// dropped, never stored.
void keep(RawAnswer* answer, int c) {
  if (answer->text.size() > kMaxFileName) {
    answer->too_long = true;
    return;
  }
  answer->text.push_back(static_cast<char>(c));
  answer->too_long = answer->text.size() > kMaxFileName;
}

}  // namespace

int Input::refill() {
  held_.clear();
  at_ = 0;
  if (!more(&held_) || held_.empty()) return kEnd;
  return static_cast<unsigned char>(held_[0]);
}

void Input::unread(std::string_view text) {
  held_ = std::string(text) + held_.substr(at_);
  at_ = 0;
}

bool TextInput::more(std::string* block) {
  if (text_.empty()) return false;
  block->assign(text_);
  text_ = {};
  return true;
}

bool read_answer(Input& buf, RawAnswer* answer) {
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
  buf.snextc();
  return true;
}

namespace {

// A whole number: an optional sign and decimal digits, nothing else.
bool is_whole_number(std::string_view word) {
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) word.remove_prefix(1);
  return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return is_digit(c); });
}

// Reads a word, keeping at most `keep` of its bytes; the rest is read and dropped.
std::string read_word(Input& in, std::size_t keep) {
  std::string word;
  for (int c = in.sgetc(); c != kEof && !is_space(c); c = in.snextc())
    if (word.size() < keep) word.push_back(static_cast<char>(c));
  return word;
}

// Longer than any 32-bit number with a few leading zeros: it is kept for the message and the
// checks, and the rest of a runaway word is dropped.
constexpr std::size_t kNumberWord = 64;

}  // namespace

ReadInteger read_integer(Input& buf, std::int32_t* value, std::string* word) {
  if (skip_space(buf) == kEof) return ReadInteger::kEndOfInput;
  std::string text = read_word(buf, kNumberWord + 1);
  if (word) *word = text;
  if (text.size() > kNumberWord || !is_whole_number(text)) return ReadInteger::kNotANumber;
  const bool negative = text[0] == '-';
  // The magnitude is held in 64 bits and stops growing once past the 32-bit range.
  const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + negative;
  std::int64_t magnitude = 0;
  for (char c : text)
    if (is_digit(c) && magnitude <= limit) magnitude = magnitude * 10 + (c - '0');
  if (magnitude > limit) return ReadInteger::kOutOfRange;
  *value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return ReadInteger::kNumber;
}

bool blank_in_name(Input& buf, const RawAnswer& name, std::string* line) {
  if (name.quoted) return false;
  std::string ahead;  // the blanks after the name, then the next word
  int c = buf.sgetc();
  for (; c == ' ' || c == '\t' || c == '\v' || c == '\f'; c = buf.snextc())
    ahead.push_back(static_cast<char>(c));
  const std::string word = c == kEof || is_space(c) ? "" : read_word(buf, kNumberWord + 1);
  ahead += word;
  if (word.empty() || (word.size() <= kNumberWord && is_whole_number(word))) {
    buf.unread(ahead);
    return false;
  }
  // The rest of the line goes with the name; only its first bytes are kept, to show.
  constexpr std::size_t kShown = 200;
  *line = name.text + ahead;
  for (c = buf.sgetc(); c != kEof && c != '\n' && c != '\r'; c = buf.snextc())
    if (line->size() < kShown) line->push_back(static_cast<char>(c));
  if (line->size() > kShown) line->resize(kShown);
  return true;
}

bool only_space_left(Input& in) {
  return skip_space(in) == kEof;
}

namespace {

const char* file_what(FileRole role) {
  return role == FileRole::kScript ? "the script file name" : "the data file name";
}

// A name that ends in a slash, or whose last part is . or .., can only be a folder.
bool names_folder(std::string_view name) {
  const std::size_t slash = name.find_last_of("/\\");
  const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
  return last.empty() || last == "." || last == "..";
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
  } else if (role == FileRole::kScript && names_folder(answer.text)) {
    result.problem = what + " '" + shown + "' names a folder, not a file";
  } else {
    // Mplus reads a quoted data name, blanks included; a script name is the file's own name.
    result.name = answer.quoted && role == FileRole::kData ? '"' + answer.text + '"' : answer.text;
  }
  return result;
}

FileName file_name_field(std::string_view field, FileRole role) {
  TextInput in(field);
  RawAnswer answer;
  FileName result;
  if (!read_answer(in, &answer)) {
    result.problem =
        std::string(file_what(role)) + (answer.quoted ? " has no closing quote" : " is missing");
    return result;
  }
  result = check_file_name(answer, role);
  if (result.problem.empty() && !only_space_left(in)) result.problem = blank_problem(role);
  return result;
}

Occasions occasions_field(std::string_view field) {
  TextInput in(field);
  Occasions result;
  std::string word;
  const ReadInteger read = read_integer(in, &result.value, &word);
  if (read == ReadInteger::kEndOfInput) {
    result.problem = "the number of occasions is missing";
  } else if (!only_space_left(in)) {
    result.problem = not_whole_occasions(std::string(field.substr(field.find_first_not_of(" \t"))));
  } else {
    result.problem = occasions_problem(read, result.value, word);
  }
  return result;
}

// A model given on the command line, by name or by code.
std::optional<ModelKind> model_argument(const std::string& word) {
  std::string w;
  for (char c : word) w += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (w == "univariate" || w == "uni" || w == "0") return ModelKind::Univariate;
  if (w == "bivariate" || w == "bi" || w == "1") return ModelKind::Bivariate;
  return std::nullopt;
}

// A name given on the command line is one answer whatever it holds: the shell has done the
// quoting. A data name with blanks goes in quotes, as a typed one in quotes does.
FileName file_name_argument(const std::string& text, FileRole role) {
  RawAnswer answer;
  const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
  answer.text = quoted ? text.substr(1, text.size() - 2) : text;
  answer.quoted =
      quoted || answer.text.empty() ||
      (role == FileRole::kData && answer.text.find_first_of(" \t") != std::string::npos);
  answer.too_long = answer.text.size() > kMaxFileName;
  return check_file_name(answer, role);
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

std::string not_whole_occasions(std::string_view word) {
  const std::string shown(word.substr(0, 60));
  return "\"" + printable(shown) + (word.size() > 60 ? "..." : "") +
         "\" is not a whole number of occasions";
}

std::string occasions_problem(ReadInteger read, std::int32_t occasions, std::string_view word) {
  if (read == ReadInteger::kNotANumber) return not_whole_occasions(word);
  if (read == ReadInteger::kOutOfRange) return unreadable_occasions();
  if (occasions >= 2) return "";
  return "a change model needs at least 2 occasions: " + unreadable_occasions();
}

std::string blank_problem(FileRole role, std::string_view line) {
  std::string problem = file_what(role);
  if (!line.empty()) problem += " '" + printable(line) + "'";
  return problem + " holds a blank: put a name with blanks in double quotes";
}

std::string grouped(std::uint64_t count) {
  std::string digits = std::to_string(count), shown;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) shown += ',';
    shown += digits[i];
  }
  return shown;
}

std::string printable(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string shown;
  auto hex = [&](unsigned char c) {
    shown += "\\x";
    shown += kHex[c >> 4];
    shown += kHex[c & 15];
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0xC2 && i + 1 < text.size() && is_c1(static_cast<unsigned char>(text[i + 1]))) {
      hex(c);
      hex(static_cast<unsigned char>(text[++i]));
    } else if (is_control(c)) {
      hex(c);
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

}  // namespace ldsgen

#include "dialogue.h"

#include <istream>
#include <limits>
#include <ostream>
#include <streambuf>

#include "bivariate.h"
#include "script_writer.h"
#include "univariate.h"

namespace ldsgen {

namespace {

using Traits = std::streambuf::traits_type;

// Exactly these six bytes separate answers, whatever the locale; bytes above 127 are ordinary.
bool is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(int c) {
  return c >= '0' && c <= '9';
}

// Returns the first byte after any white space, still unread.
int skip_space(std::streambuf& in) {
  int c = in.sgetc();
  while (c != Traits::eof() && is_space(c)) c = in.snextc();
  return c;
}

void skip_word(std::streambuf& in) {
  int c = in.sgetc();
  while (c != Traits::eof() && !is_space(c)) c = in.snextc();
}

}  // namespace

bool read_token(std::istream& in, std::string* token) {
  std::streambuf& buf = *in.rdbuf();
  token->clear();
  for (int c = skip_space(buf); c != Traits::eof() && !is_space(c); c = buf.snextc())
    token->push_back(Traits::to_char_type(c));
  return !token->empty();
}

ReadInteger read_integer(std::istream& in, std::int32_t* value) {
  std::streambuf& buf = *in.rdbuf();
  int c = skip_space(buf);
  if (c == Traits::eof()) return ReadInteger::kEndOfInput;
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

namespace {

// Each message is one line, flushed so that it shows before the program waits for an answer.
void say(std::ostream& out, const char* line) {
  out << line << '\n' << std::flush;
}

class Dialogue {
 public:
  Dialogue(std::istream& in, std::ostream& out, std::ostream& err)
      : in_(in), out_(out), err_(err) {}

  int run(const CreateScript& create);

 private:
  // Everything written so far is stored before a question, so a user who stops the program at
  // any question finds the script complete up to there.
  bool ask(const char* question) {
    if (writer_ && !writer_->flush()) return false;
    say(out_, question);
    return true;
  }
  int input_ended(const char* answer) {
    err_ << "ldsgen: input ended before the " << answer << " was given\n";
    return 1;
  }
  int write_failed(const std::string& why) {
    err_ << "ldsgen: cannot write script file '" << script_name_ << "': " << why << '\n';
    return 1;
  }

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  std::string script_name_;
  std::unique_ptr<std::ostream> script_;
  std::unique_ptr<ScriptWriter> writer_;
};

int Dialogue::run(const CreateScript& create) {
  say(out_, "Please input the Mplus script file name: ");
  if (!read_token(in_, &script_name_)) return input_ended("script file name");
  std::string why;
  script_ = create(script_name_, &why);
  if (!script_) {
    err_ << "ldsgen: cannot create script file '" << script_name_ << "': " << why << '\n';
    return 1;
  }
  writer_ = std::make_unique<ScriptWriter>(*script_);
  ScriptWriter& w = *writer_;
  write_preamble(w);

  if (!ask("Univariate model (0) or bivariate model (1)? Type 0 or 1"))
    return write_failed(w.error());
  std::int32_t code = 0;
  for (;;) {
    ReadInteger read = read_integer(in_, &code);
    if (read == ReadInteger::kEndOfInput) return input_ended("model code");
    if (read == ReadInteger::kNumber && (code == 0 || code == 1)) break;
    say(out_, "Wrong code for model, only 0 (univariate) and 1 (bivaraite) can be accepted!");
    say(out_, "Input model code again...");
  }
  const ModelKind kind = static_cast<ModelKind>(code);

  if (!ask("Please input the name of the data file: ")) return write_failed(w.error());
  std::string data_file;
  if (!read_token(in_, &data_file)) return input_ended("data file name");
  write_data_section(w, data_file);

  std::int32_t occasions = 0;
  for (;;) {
    if (!ask("How many occasions do you have in your data?")) return write_failed(w.error());
    ReadInteger read = read_integer(in_, &occasions);
    if (read == ReadInteger::kEndOfInput) return input_ended("number of occasions");
    if (read == ReadInteger::kNumber) break;
    err_ << "ldsgen: the number of occasions must be a whole number from -2147483648 to "
            "2147483647\n";
  }

  write_variable_sections(w, kind, occasions);
  if (kind == ModelKind::Univariate) {
    write_univariate_body(w, occasions);
  } else {
    write_bivariate_body(w, occasions);
  }
  write_output_section(w);
  if (!w.flush()) return write_failed(w.error());
  if (!close_script_file(*script_, &why)) return write_failed(why);
  return 0;
}

}  // namespace

int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err,
                 const CreateScript& create) {
  return Dialogue(in, out, err).run(create);
}

}  // namespace ldsgen

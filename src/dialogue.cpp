#include "dialogue.h"

#include <algorithm>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <vector>

#include "answers.h"
#include "command_line.h"
#include "data_file.h"
#include "path_diagram.h"
#include "script.h"
#include "script_size.h"
#include "script_writer.h"

namespace ldsgen {

namespace {

// Each message is one line, flushed so that it shows before the program waits for an answer.
void say(std::ostream& out, const char* line) {
  out << line << '\n' << std::flush;
}

// The console's input, in the blocks its buffer already holds, so that a line is never waited
// on past its end.
class StreamInput : public Input {
 public:
  explicit StreamInput(std::streambuf* source) : source_(source) {}

 protected:
  bool more(std::string* block) override {
    if (source_->sgetc() == std::streambuf::traits_type::eof()) return false;
    const std::streamsize ready = std::max<std::streamsize>(1, source_->in_avail());
    block->resize(static_cast<std::size_t>(std::min<std::streamsize>(ready, 64 * 1024)));
    block->resize(static_cast<std::size_t>(source_->sgetn(block->data(), block->size())));
    return true;
  }

 private:
  std::streambuf* source_;
};

// Hands the script's blocks on to the file and, line by line, to the diagram.
class DiagramTee : public Sink {
 public:
  DiagramTee(Sink* file, DiagramReader* diagram) : file_(file), diagram_(diagram) {}
  bool write(const char* data, std::size_t size) override {
    diagram_->text(std::string_view(data, size));
    return file_->write(data, size);
  }
  bool flush() override { return file_->flush(); }

 private:
  Sink* file_;
  DiagramReader* diagram_;
};

class Dialogue {
 public:
  Dialogue(std::istream& in, std::ostream& out, std::ostream& err)
      : in_(in.rdbuf()), out_(out), err_(err) {}

  int run(const DialogueSetup& setup);

 private:
  // Everything written so far is handed to the file before a question, so that a full disk is
  // found before the user answers more.
  bool ask(const char* question) {
    if (writer_ && !writer_->flush()) return false;
    say(out_, question);
    return true;
  }
  void refuse(const std::string& problem) { err_ << "ldsgen: " << problem << '\n'; }
  void warn(const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) err_ << "ldsgen: warning: " << warning << '\n';
  }
  int input_ended(const char* answer) {
    err_ << "ldsgen: input ended before the " << answer << " was given\n";
    return 1;
  }
  int write_failed(const std::string& why) {
    err_ << "ldsgen: cannot write script file '" << printable(script_name_) << "': " << why << '\n';
    return 1;
  }
  // Asks until a file name is taken. False at end of input.
  bool ask_file_name(const char* question, FileRole role, std::string* name);
  int usage_error(const std::string& problem);
  // Why an answer given beforehand is refused; empty when all are taken.
  std::string given_problem(const DialogueSetup& setup);
  // Why a count is refused beyond its reading: names too long, a script that can't fit.
  std::string count_problem(const Model& model, const std::string& data_file,
                            std::int32_t occasions);

  StreamInput in_;
  std::ostream& out_;
  std::ostream& err_;
  std::string script_name_;
  std::unique_ptr<ScriptFile> script_;
  std::unique_ptr<DiagramTee> tee_;
  std::unique_ptr<ScriptWriter> writer_;
};

bool Dialogue::ask_file_name(const char* question, FileRole role, std::string* name) {
  RawAnswer answer;
  for (;;) {
    say(out_, question);
    if (!read_answer(in_, &answer)) return false;
    FileName checked = check_file_name(answer, role);
    std::string line;
    if (!checked.problem.empty()) {
      refuse(checked.problem);  // a word refused for its own sake: nothing more is dropped
    } else if (blank_in_name(in_, answer, &line)) {
      refuse(blank_problem(role, line));
    } else {
      *name = std::move(checked.name);
      return true;
    }
  }
}

// Why a count that reads well is refused all the same: it makes a chosen name longer than Mplus
// allows, leaves an observed variable out of the data file's columns, or makes a script larger
// than the room where it goes.
std::string Dialogue::count_problem(const Model& model, const std::string& data_file,
                                    std::int32_t occasions) {
  if (std::string problem = model_count_problem(model, occasions); !problem.empty()) return problem;
  const std::optional<std::uint64_t> free = script_->free_space();
  if (!free) return "";
  const ScriptSize size = script_size(model, data_file, occasions);
  const std::uint64_t bytes = size.bytes + (script_->crlf() ? size.lines : 0);
  if (bytes <= *free) return "";
  return "a script of " + std::to_string(occasions) + " occasions takes " + grouped(bytes) +
         " bytes, and only " + grouped(*free) + " bytes are free where '" +
         printable(script_name_) + "' goes: give fewer occasions";
}

int Dialogue::usage_error(const std::string& problem) {
  err_ << "ldsgen: " << problem << '\n' << kTryHelp << '\n';
  return 2;
}

std::string Dialogue::given_problem(const DialogueSetup& s) {
  if (s.script) {
    FileName name = file_name_argument(*s.script, FileRole::kScript);
    if (!name.problem.empty()) return name.problem;
  }
  if (s.model && !model_argument(*s.model))
    return "wrong model '" + printable(*s.model) +
           "': only univariate (uni, 0) and bivariate (bi, 1) can be accepted";
  if (s.data) {
    FileName name = file_name_argument(*s.data, FileRole::kData);
    if (!name.problem.empty()) return name.problem;
  }
  if (s.occasions) {
    if (std::string problem = occasions_field(*s.occasions).problem; !problem.empty())
      return problem;
  }
  if (s.model) {
    Model model = s.variant;
    model.kind = *model_argument(*s.model);
    if (std::string problem = model_problem(model); !problem.empty()) return problem;
    if (s.occasions) return model_count_problem(model, occasions_field(*s.occasions).value);
  }
  return "";
}

int Dialogue::run(const DialogueSetup& setup) {
  if (const std::string problem = given_problem(setup); !problem.empty())
    return usage_error(problem);
  for (;;) {
    if (setup.script) {
      script_name_ = file_name_argument(*setup.script, FileRole::kScript).name;
    } else if (!ask_file_name("Please input the Mplus script file name: ", FileRole::kScript,
                              &script_name_)) {
      return input_ended("script file name");
    }
    OpenedScript opened = setup.create(script_name_);
    for (const std::string& note : opened.notes) refuse(note);
    if (opened.status == OpenedScript::kOpened) {
      script_ = std::move(opened.file);
      break;
    }
    const std::string problem =
        opened.status == OpenedScript::kFailed
            ? "cannot create script file '" + printable(script_name_) + "': " + opened.why
            : "'" + printable(script_name_) + "' is not an ldsgen script and is left as it is";
    if (setup.script) return usage_error(problem);
    refuse(problem + "; give another name");
  }
  Sink* sink = &script_->sink();
  if (setup.diagram) {
    tee_ = std::make_unique<DiagramTee>(sink, setup.diagram);
    sink = tee_.get();
  }
  writer_ = std::make_unique<ScriptWriter>(*sink);
  ScriptWriter& w = *writer_;
  write_preamble(w);

  Model model = setup.variant;
  ModelKind& kind = model.kind;
  if (setup.model) {
    kind = *model_argument(*setup.model);
  } else {
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
    kind = static_cast<ModelKind>(code);
    if (const std::string problem = model_problem(model); !problem.empty())
      return usage_error(problem);
  }

  if (!w.flush()) return write_failed(w.error());  // as ask() does before every question
  std::string data_file, data_given;
  if (setup.data) {
    data_file = file_name_argument(*setup.data, FileRole::kData).name;
  } else if (!ask_file_name("Please input the name of the data file: ", FileRole::kData,
                            &data_file)) {
    return input_ended("data file name");
  }
  data_given = data_file;
  std::vector<std::string> warnings = data_name_warnings(data_file);
  if (setup.encode) data_file = setup.encode(data_file, &warnings);
  warn(warnings);
  write_data_section(w, data_file);

  std::int32_t occasions = 0;
  if (setup.occasions) {
    occasions = occasions_field(*setup.occasions).value;
    if (const std::string problem = count_problem(model, data_file, occasions); !problem.empty())
      return usage_error(problem);
  } else {
    for (;;) {
      if (!ask("How many occasions do you have in your data?")) return write_failed(w.error());
      std::string word;
      ReadInteger read = read_integer(in_, &occasions, &word);
      if (read == ReadInteger::kEndOfInput) return input_ended("number of occasions");
      std::string problem = occasions_problem(read, occasions, word);
      if (problem.empty()) problem = count_problem(model, data_file, occasions);
      if (problem.empty()) break;
      refuse(problem);
    }
  }
  warn(occasions_warnings(model, occasions));
  if (setup.read_data) {
    // The script is the same whatever the data file holds: what is wrong with it is only said.
    const std::string path = data_path(script_name_, data_given);
    for (const std::string& warning : check_data(setup.read_data(path), model, occasions).warnings)
      err_ << "ldsgen: warning: " << printable(path) << ": " << printable(warning) << '\n';
  }

  write_model_sections(w, model, occasions);
  if (!w.flush()) return write_failed(w.error());
  std::string why;
  if (!script_->commit(&why)) return write_failed(why);
  if (setup.taken) *setup.taken = {model, data_file, occasions};
  if (!setup.quiet) {
    err_ << "ldsgen: wrote " << printable(script_name_) << ": "
         << (kind == ModelKind::Univariate ? "univariate" : "bivariate") << " model, " << occasions
         << " occasions, " << script_size(model, data_file, occasions).lines << " lines\n";
  }
  return 0;
}

}  // namespace

int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err,
                 const DialogueSetup& setup) {
  return Dialogue(in, out, err).run(setup);
}

int run_dialogue(std::istream& in, std::ostream& out, std::ostream& err,
                 const CreateScript& create) {
  DialogueSetup setup;
  setup.create = create;
  return run_dialogue(in, out, err, setup);
}

}  // namespace ldsgen

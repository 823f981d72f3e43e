// ldsgen: asks for the answers not given on the command line and writes an Mplus script for a
// latent difference score model; or draws the path diagram of an existing script.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>

#include "answers.h"
#include "command_line.h"
#include "console.h"
#include "dialogue.h"
#include "dynamics.h"
#include "lavaan_writer.h"
#include "mplus_output.h"
#include "path_diagram.h"
#include "script_file.h"

namespace {

using ldsgen::printable;

// The files written beside a script: what they are called in messages, how they are opened.
struct Beside {
  const char* what;  // "diagram file"
  const char* not_ours;
  ldsgen::OpenedScript (*open)(const std::string& name);
};
const Beside kSvg{"diagram file", "it is not a diagram ldsgen drew, and is left as it is",
                  ldsgen::open_svg_file};
const Beside kLavaan{"R script", "it is not an R script ldsgen wrote, and is left as it is",
                     ldsgen::open_lavaan_file};

// Why a file beside the script could not be opened.
std::string not_opened(const Beside& kind, const std::string& name,
                       const ldsgen::OpenedScript& opened) {
  return std::string("cannot write ") + kind.what + " '" + printable(name) +
         "': " + (opened.status == ldsgen::OpenedScript::kNotAScript ? kind.not_ours : opened.why);
}

// Stores a file beside the script with the same care as a script: the text `write` gives it.
int store(const Beside& kind, const std::string& name,
          const std::function<void(ldsgen::ScriptWriter&)>& write) {
  ldsgen::OpenedScript opened = kind.open(name);
  for (const std::string& note : opened.notes) std::cerr << "ldsgen: " << note << '\n';
  if (opened.status != ldsgen::OpenedScript::kOpened) {
    std::cerr << "ldsgen: " << not_opened(kind, name, opened) << '\n';
    return 1;
  }
  std::string why;
  ldsgen::ScriptWriter w(opened.file->sink());
  write(w);
  if (!w.flush()) {
    why = w.error();
  } else if (opened.file->commit(&why)) {
    return 0;
  }
  std::cerr << "ldsgen: cannot write " << kind.what << " '" << printable(name) << "': " << why
            << '\n';
  return 1;
}

int store_svg(const std::string& name, const std::string& svg) {
  return store(kSvg, name, [&](ldsgen::ScriptWriter& w) { w.part(std::string_view(svg)); });
}

// Hands a file to a reader a block at a time, so that a file of any size is read in little
// memory. False, having said so, when it can't be opened.
template <typename Reader>
bool read_in_blocks(const std::string& path, Reader* reader) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "ldsgen: cannot read '" << printable(path) << "'\n";
    return false;
  }
  std::string block(1 << 16, '\0');
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0)
    reader->text(std::string_view(block.data(), static_cast<std::size_t>(in.gcount())));
  return true;
}

// Draws the diagram of an existing script.
int draw(const std::string& script, const std::optional<std::string>& svg_name, bool legend) {
  ldsgen::DiagramReader reader;
  if (!read_in_blocks(script, &reader)) return 1;
  reader.end();
  if (!reader.any()) {
    std::cerr << "ldsgen: '" << printable(script)
              << "' is not a script: it has no MODEL statements to draw\n";
    return 1;
  }
  for (const std::string& u : reader.unknown())
    std::cerr << "ldsgen: not drawn, not understood: " << printable(u) << '\n';
  const std::string svg = reader.svg(legend);
  if (svg_name) return store_svg(*svg_name, svg);
  ldsgen::binary_output();
  std::cout << svg << std::flush;
  return std::cout ? 0 : 1;
}

// Writes what the estimates of an Mplus output say about change: the trajectory table to
// standard output, the figure to `svg_name` if given.
int dynamics(const std::string& output, const std::optional<std::string>& svg_name,
             std::optional<std::int64_t> occasions, bool quiet) {
  ldsgen::OutputReader reader;
  if (!read_in_blocks(output, &reader)) return 1;
  const ldsgen::MplusResults r = reader.end();
  const std::string shown = "'" + printable(output) + "'";
  if (!r.error.empty()) {
    std::cerr << "ldsgen: cannot read the dynamics from " << shown << ": " << r.error << '\n';
    return 1;
  }
  const std::vector<std::string> absent = ldsgen::lacking(r);
  if (!quiet) {
    std::cerr << "ldsgen: read from " << shown << ": " << ldsgen::meanings(r.model, r.read) << '\n';
  }
  if (!absent.empty())
    std::cerr << "ldsgen: warning: " << shown << " lacks " << ldsgen::meanings(r.model, absent)
              << ": the levels are drawn without bands where they need them\n";
  const std::int64_t count = occasions.value_or(r.occasions);
  if (const std::string problem = ldsgen::dynamics_count_problem(count); !problem.empty()) {
    std::cerr << "ldsgen: cannot draw the dynamics of " << shown << ": " << problem
              << (occasions ? "" : ": give fewer with -n") << '\n';
    return 1;
  }
  const ldsgen::Trajectory t = ldsgen::trajectory(r.model, r.values, count);
  if (svg_name && store_svg(*svg_name, ldsgen::dynamics_svg(r.model, r.values, t)) != 0) return 1;
  ldsgen::binary_output();
  std::cout << ldsgen::trajectory_csv(r.model, t) << std::flush;
  return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  ldsgen::open_standard_descriptors();
  // Answers are read byte by byte; without stdio's locking per byte a runaway answer of
  // gigabytes is refused in seconds.
  std::ios::sync_with_stdio(false);
  const ldsgen::CommandLine line = ldsgen::read_command_line(ldsgen::arguments(argc, argv));
  if (!line.error.empty()) {
    std::cerr << "ldsgen: " << printable(line.error) << '\n' << ldsgen::kTryHelp << '\n';
    return 2;
  }
  if (line.help || line.version) {
    std::cout << (line.help ? ldsgen::usage() : ldsgen::version_text()) << std::flush;
    return 0;
  }
  if (line.draw) return draw(*line.draw, line.svg, !line.no_legend);
  if (line.dynamics) {
    std::optional<std::int64_t> occasions;
    if (line.occasions) {
      const ldsgen::Occasions n = ldsgen::occasions_field(*line.occasions);
      if (!n.problem.empty()) {
        std::cerr << "ldsgen: " << printable(n.problem) << '\n' << ldsgen::kTryHelp << '\n';
        return 2;
      }
      occasions = n.value;
    }
    return dynamics(*line.dynamics, line.svg, occasions, line.quiet);
  }

  ldsgen::DialogueSetup setup;
  setup.create = ldsgen::open_script_file;
  setup.encode = ldsgen::data_name_for_mplus;
  setup.script = line.script;
  setup.model = line.model;
  setup.data = line.data;
  setup.occasions = line.occasions;
  setup.quiet = line.quiet;
  setup.variant = line.variant;
  setup.read_data = ldsgen::read_data_beginning;
  ldsgen::DiagramReader diagram;
  ldsgen::TakenAnswers taken;
  // A name for a file beside the script that can't be taken is refused before any question.
  for (const auto& [kind, name] : {std::pair{&kSvg, &line.svg}, {&kLavaan, &line.lavaan}}) {
    if (!*name) continue;
    ldsgen::OpenedScript check = kind->open(**name);
    if (check.status != ldsgen::OpenedScript::kOpened) {
      std::cerr << "ldsgen: " << not_opened(*kind, **name, check) << '\n'
                << ldsgen::kTryHelp << '\n';
      return 2;
    }
  }
  if (line.svg) setup.diagram = &diagram;
  setup.taken = &taken;
  const std::unique_ptr<std::streambuf> console = ldsgen::console_input();
  std::istream in(console ? console.get() : std::cin.rdbuf());
  int status = ldsgen::run_dialogue(in, std::cout, std::cerr, setup);
  if (status == 0 && line.svg) status = store_svg(*line.svg, diagram.svg(!line.no_legend));
  if (status == 0 && line.lavaan) {
    status = store(kLavaan, *line.lavaan, [&](ldsgen::ScriptWriter& w) {
      ldsgen::write_lavaan_script(w, taken.model, taken.data_file, taken.occasions);
    });
  }
  return status;
}

// The command line: options that give the answers beforehand, draw a script's diagram, or say
// how the program is used. Read with the GNU conventions: long options with = or a separate
// value, unambiguous abbreviations, short options bundled, "--" before a name that begins
// with "-", options and the script's name in any order.
#ifndef LDSGEN_COMMAND_LINE_H_
#define LDSGEN_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

#include "model.h"

namespace ldsgen {

struct CommandLine {
  std::optional<std::string> script, model, data, occasions;  // answers, as given
  std::optional<std::string> svg, draw, lavaan, dynamics;
  /// The model's names, change kinds, couplings and starting values, as read from their options.
  Model variant;
  std::optional<std::string> y_name, x_name, change, y_change, x_change, coupling;
  std::optional<std::string> columns, id, missing;
  std::vector<std::string> starts;
  bool quiet = false, help = false, version = false, no_legend = false;
  std::string error;  // why the command line is refused; empty when it is taken
};

/// Reads the arguments that follow the program's name.
CommandLine read_command_line(const std::vector<std::string>& args);

/// The hint that follows every refusal of the command line.
constexpr char kTryHelp[] = "Try 'ldsgen --help' for more information.";

/// What --help prints.
std::string usage();
/// What --version prints.
std::string version_text();

}  // namespace ldsgen

#endif  // LDSGEN_COMMAND_LINE_H_

#include "command_line.h"

#include <algorithm>

#ifndef LDSGEN_VERSION
#define LDSGEN_VERSION "unknown"
#endif

namespace ldsgen {

namespace {

struct Option {
  const char* name;
  char letter;  // 0: none
  bool value;   // takes a value
  std::optional<std::string> CommandLine::*answer;
  bool CommandLine::*flag;
  std::vector<std::string> CommandLine::*list = nullptr;  // repeatable
};

const Option kOptions[] = {
    {"model", 'm', true, &CommandLine::model, nullptr},
    {"data", 'd', true, &CommandLine::data, nullptr},
    {"occasions", 'n', true, &CommandLine::occasions, nullptr},
    {"y-name", 0, true, &CommandLine::y_name, nullptr},
    {"x-name", 0, true, &CommandLine::x_name, nullptr},
    {"change", 0, true, &CommandLine::change, nullptr},
    {"y-change", 0, true, &CommandLine::y_change, nullptr},
    {"x-change", 0, true, &CommandLine::x_change, nullptr},
    {"coupling", 0, true, &CommandLine::coupling, nullptr},
    {"start", 0, true, nullptr, nullptr, &CommandLine::starts},
    {"columns", 0, true, &CommandLine::columns, nullptr},
    {"id", 0, true, &CommandLine::id, nullptr},
    {"missing", 0, true, &CommandLine::missing, nullptr},
    {"svg", 0, true, &CommandLine::svg, nullptr},
    {"no-legend", 0, false, nullptr, &CommandLine::no_legend},
    {"lavaan", 0, true, &CommandLine::lavaan, nullptr},
    {"draw", 0, true, &CommandLine::draw, nullptr},
    {"dynamics", 0, true, &CommandLine::dynamics, nullptr},
    {"quiet", 'q', false, nullptr, &CommandLine::quiet},
    {"help", 'h', false, nullptr, &CommandLine::help},
    {"version", 'V', false, nullptr, &CommandLine::version},
};

void take(CommandLine* line, const Option& option, const std::string& value) {
  if (option.list) {
    (line->*option.list).push_back(value);
  } else if (option.value) {
    line->*option.answer = value;
  } else {
    line->*option.flag = true;
  }
}

// A long option by its name or an unambiguous beginning of it.
const Option* find_long(const std::string& name, std::string* error) {
  std::vector<const Option*> found;
  for (const Option& o : kOptions) {
    if (name == o.name) return &o;
    if (std::string(o.name).compare(0, name.size(), name) == 0) found.push_back(&o);
  }
  if (found.size() == 1) return found[0];
  if (found.empty()) {
    *error = "unrecognized option '--" + name + "'";
  } else {
    *error = "option '--" + name + "' is ambiguous; possibilities:";
    for (const Option* o : found) *error += std::string(" '--") + o->name + "'";
  }
  return nullptr;
}

const Option* find_short(char letter) {
  const auto o = std::find_if(std::begin(kOptions), std::end(kOptions),
                              [&](const Option& x) { return x.letter == letter; });
  return o == std::end(kOptions) ? nullptr : o;
}

// Reads the option at args[*at], and its value where it takes one. False, with the error set,
// when it is refused.
bool read_option(const std::vector<std::string>& args, std::size_t* at, CommandLine* line) {
  const std::string& arg = args[*at];
  if (arg.compare(0, 2, "--") == 0) {
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
    const Option* o = find_long(name, &line->error);
    if (!o) return false;
    if (!o->value && equals != std::string::npos) {
      line->error = std::string("option '--") + o->name + "' doesn't allow an argument";
    } else if (o->value && equals == std::string::npos && *at + 1 == args.size()) {
      line->error = std::string("option '--") + o->name + "' requires an argument";
    } else {
      take(line, *o,
           equals != std::string::npos ? arg.substr(equals + 1)
           : o->value                  ? args[++*at]
                                       : "");
    }
    return line->error.empty();
  }
  // Short options, perhaps several in one word; one that takes a value takes the rest of the
  // word, or else the next word.
  for (std::size_t k = 1; k < arg.size(); ++k) {
    const Option* o = find_short(arg[k]);
    if (!o) {
      line->error = std::string("invalid option -- '") + arg[k] + "'";
      return false;
    }
    if (!o->value) {
      take(line, *o, "");
      continue;
    }
    if (k + 1 < arg.size()) {
      take(line, *o, arg.substr(k + 1));
    } else if (*at + 1 < args.size()) {
      take(line, *o, args[++*at]);
    } else {
      line->error = std::string("option requires an argument -- '") + arg[k] + "'";
      return false;
    }
    return true;
  }
  return true;
}

// The model's options, read into the model they describe: --change first, so that a variable's
// own change option wins wherever it stands. Whether the stems clash, and whether the model has
// each label given a start, is known only once the model's kind is.
std::string read_variant(CommandLine* line) {
  const std::pair<const char*, const std::optional<std::string>*> given[] = {
      {"change", &line->change},     {"y-change", &line->y_change},
      {"x-change", &line->x_change}, {"y-name", &line->y_name},
      {"x-name", &line->x_name},     {"coupling", &line->coupling},
      {"columns", &line->columns},   {"id", &line->id},
      {"missing", &line->missing}};
  for (const auto& [name, value] : given) {
    if (!*value) continue;
    if (std::string problem = set_model_option(&line->variant, name, **value); !problem.empty())
      return problem;
  }
  for (const std::string& start : line->starts)
    if (std::string problem = set_model_option(&line->variant, "start", start); !problem.empty())
      return problem;
  return "";
}

}  // namespace

CommandLine read_command_line(const std::vector<std::string>& args) {
  CommandLine line;
  bool options = true;
  for (std::size_t at = 0; at < args.size(); ++at) {
    const std::string& arg = args[at];
    if (options && arg == "--") {
      options = false;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      if (!read_option(args, &at, &line)) return line;
    } else if (line.script) {
      line.error = "one script at a time: '" + *line.script + "' and '" + arg + "' were given";
      return line;
    } else {
      line.script = arg;
    }
  }
  if (line.draw &&
      (line.script || line.model || line.data || line.occasions || line.lavaan || line.dynamics))
    line.error = "--draw draws an existing script and takes no answers";
  if (line.dynamics && (line.script || line.model || line.data || line.lavaan))
    line.error = "--dynamics reads an existing Mplus output and takes no answers but -n";
  if (line.error.empty()) line.error = read_variant(&line);
  return line;
}

std::string usage() {
  return "Usage: ldsgen [OPTION]... [SCRIPT]\n"
         "Write an Mplus script for a latent difference score model to SCRIPT, asking for\n"
         "each answer not given as an option.\n"
         "\n"
         "  -m, --model=MODEL      univariate (also uni, 0) or bivariate (also bi, 1)\n"
         "  -d, --data=FILE        the data file's name as the script names it\n"
         "  -n, --occasions=N      the number of occasions, 2 or more\n"
         "\n"
         "The model (the defaults write the dual change model with both couplings):\n"
         "      --y-name=STEM      the first variable's names: STEM1..STEMN, lSTEM1.., dSTEM1..,\n"
         "                         STEM0, sSTEM (default y)\n"
         "      --x-name=STEM      the same for the second variable (default x)\n"
         "      --change=KIND      dual, proportional, constant or none, for both variables\n"
         "      --y-change=KIND, --x-change=KIND   the same for one variable\n"
         "      --coupling=WHICH   both, y-to-x, x-to-y or none (bivariate)\n"
         "      --start=LABEL=VALUE   a starting value for every statement with that label\n"
         "\n"
         "The data file (checked where it exists; the script is written all the same):\n"
         "      --columns=LIST     every column of the file in order, the model's among them\n"
         "                         (\"id y1 y2 y3 age\"): NAMES lists them, USEVARIABLE the "
         "model's\n"
         "      --id=NAME          the column that identifies a case (IDVARIABLE)\n"
         "      --missing=CODE     how the file marks a missing value: . (default), * or a\n"
         "                         number such as -999\n"
         "\n"
         "      --svg=FILE         also write the script's path diagram as SVG\n"
         "      --no-legend        draw the diagram without its legend\n"
         "      --lavaan=FILE      also write an R script that fits the same model with lavaan\n"
         "      --draw=SCRIPT      ask nothing: draw the diagram of an existing script to\n"
         "                         standard output, or to --svg FILE\n"
         "      --dynamics=OUTPUT  ask nothing: read the estimates from the Mplus output of a\n"
         "                         script ldsgen wrote and write the expected trajectories as\n"
         "                         CSV to standard output, their figure to --svg FILE; -n N\n"
         "                         draws N occasions instead of the output's\n"
         "  -q, --quiet            no line saying what was written\n"
         "  -h, --help             show this help, then exit\n"
         "  -V, --version          show the version, then exit\n"
         "\n"
         "With no options the four questions are asked on the console, and the answers may be\n"
         "piped in. A refused option value is an error; a refused typed answer is asked again.\n"
         "\n"
         "Exit status:\n"
         "  0    the script (or diagram) is complete and stored\n"
         "  1    input ended early, or a file could not be written or stored\n"
         "  2    the command line was refused\n"
         "  130  interrupted with Ctrl-C (143: terminated); nothing is left half-written\n"
         "\n"
         "Examples: ldsgen -m bi -d waves.dat -n 5 growth.inp\n"
         "          ldsgen -m bi --y-name=anx --x-name=dep --coupling=y-to-x --start=3=0.1 a.inp\n"
         "          ldsgen -m uni -d waves.dat -n 3 --columns=\"id y1 y2 y3 age\" --id=id\n"
         "                 --missing=-999 growth.inp\n";
}

std::string version_text() {
  return "ldsgen " LDSGEN_VERSION
         "\n"
         "Copyright (c) 2026 The ldsgen developers. MIT License: free to use, change and share.\n";
}

}  // namespace ldsgen

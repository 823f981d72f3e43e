#include "command_line.h"

#include <gtest/gtest.h>

namespace ldsgen::testing {
namespace {

// What a command line gives, in one line of text, for comparing whole results at once.
std::string summary(const CommandLine& c) {
  auto show = [](const char* name, const std::optional<std::string>& v) {
    return v ? std::string(name) + "=" + *v + " " : "";
  };
  if (!c.error.empty()) return "error: " + c.error;
  return show("script", c.script) + show("model", c.model) + show("data", c.data) +
         show("occasions", c.occasions) + show("svg", c.svg) + show("draw", c.draw) +
         (c.quiet ? "quiet " : "") + (c.help ? "help " : "") + (c.version ? "version " : "");
}

TEST(CommandLine, ReadsOptionsTheGnuWay) {
  struct Case {
    std::vector<std::string> args;
    std::string read;
  } cases[] = {
      {{}, ""},
      {{"s.inp"}, "script=s.inp "},
      {{"-m", "bi", "-d", "d.dat", "-n", "5", "s.inp"},
       "script=s.inp model=bi data=d.dat occasions=5 "},
      {{"--model=uni", "--data=d.dat", "--occasions=4"}, "model=uni data=d.dat occasions=4 "},
      {{"--model", "1", "--data", "C:\\My Data\\w.dat"}, "model=1 data=C:\\My Data\\w.dat "},
      {{"-mbi", "-n5", "-qd", "d"}, "model=bi data=d occasions=5 quiet "},
      {{"s.inp", "--mod=0", "--occ", "3"}, "script=s.inp model=0 occasions=3 "},
      {{"--svg=s.svg", "-q", "s.inp"}, "script=s.inp svg=s.svg quiet "},
      {{"--draw", "s.inp"}, "draw=s.inp "},
      {{"--draw=s.inp", "--svg", "s.svg"}, "svg=s.svg draw=s.inp "},
      {{"-h"}, "help "},
      {{"--help"}, "help "},
      {{"-V"}, "version "},
      {{"--vers"}, "version "},
      {{"--", "-s.inp"}, "script=-s.inp "},
      {{"-", "-n", "3"}, "script=- occasions=3 "},
      {{"--data="}, "data= "},
      {{"--model=2"}, "model=2 "},  // judged later, with the answers' own rules
      {{"--colour"}, "error: unrecognized option '--colour'"},
      {{"-x"}, "error: invalid option -- 'x'"},
      {{"-qx"}, "error: invalid option -- 'x'"},
      {{"--d=x"},
       "error: option '--d' is ambiguous; possibilities: '--data' '--draw' '--dynamics'"},
      {{"--model"}, "error: option '--model' requires an argument"},
      {{"-n"}, "error: option requires an argument -- 'n'"},
      {{"--quiet=yes"}, "error: option '--quiet' doesn't allow an argument"},
      {{"a.inp", "b.inp"}, "error: one script at a time: 'a.inp' and 'b.inp' were given"},
      {{"--draw=s.inp", "-n", "4"}, "error: --draw draws an existing script and takes no answers"},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    SCOPED_TRACE(shown);
    EXPECT_EQ(summary(read_command_line(c.args)), c.read);
  }
}

// The model's options are read into the model they describe; a variable's own change option wins
// over --change, wherever it stands.
TEST(CommandLine, ReadsTheModelsOptions) {
  auto read = [](std::vector<std::string> args) { return read_command_line(args); };
  const CommandLine all =
      read({"--y-name=anx", "--x-name", "dep", "--change=constant", "--x-change=proportional",
            "--coupling=y-to-x", "--start=1=-0.2", "--start", "3=0.1", "--no-legend"});
  ASSERT_EQ(all.error, "");
  const Model& m = all.variant;
  EXPECT_EQ(m.y_name + m.x_name, "anxdep");
  EXPECT_TRUE(m.named);
  EXPECT_EQ(m.y_change, Change::Constant);
  EXPECT_EQ(m.x_change, Change::Proportional);
  EXPECT_EQ(m.coupling, Coupling::YToX);
  EXPECT_EQ(m.start(1), "-0.2");
  EXPECT_EQ(m.start(3), "0.1");
  EXPECT_TRUE(all.no_legend);
  EXPECT_FALSE(read({}).variant.named);
  EXPECT_EQ(read({"--x-change=none", "--change=dual"}).variant.x_change, Change::None);

  const struct {
    std::vector<std::string> args;
    const char* error;
  } refused[] = {
      {{"--y-name=2y"}, "the name '2y' does not start with a letter"},
      {{"--change=linear"}, "unknown change 'linear': dual, proportional, constant or none"},
      {{"--coupling=x"}, "unknown coupling 'x': both, y-to-x, x-to-y or none"},
      {{"--start=1"}, "the starting value '1' is not LABEL=VALUE"},
      {{"--c=none"},
       "option '--c' is ambiguous; possibilities: '--change' '--coupling' '--columns'"},
  };
  for (const auto& r : refused) EXPECT_EQ(read(r.args).error, r.error);
}

// The help names every option and every exit status, as the manual page and README do.
TEST(CommandLine, HelpNamesEveryOptionAndStatus) {
  const std::string help = usage();
  for (const char* word :
       {"--model",   "--data",      "--occasions", "--svg",      "--draw",     "--quiet",
        "--y-name",  "--x-name",    "--change",    "--y-change", "--x-change", "--coupling",
        "--start",   "--no-legend", "--help",      "--version",  "  0 ",       "  1 ",
        "  2 ",      "  130 ",      "143",         "--lavaan",   "--columns",  "--id",
        "--missing", "--dynamics"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
  EXPECT_EQ(version_text().rfind("ldsgen ", 0), 0u);
  EXPECT_NE(version_text().find("MIT License"), std::string::npos);
}

}  // namespace
}  // namespace ldsgen::testing

#include "dialogue.h"

#include <gtest/gtest.h>

#include <sstream>

#include "test_support.h"

namespace ldsgen::testing {
namespace {

const char kAskScript[] = "Please input the Mplus script file name: \n";
const char kAskModel[] = "Univariate model (0) or bivariate model (1)? Type 0 or 1\n";
const char kReject[] =
    "Wrong code for model, only 0 (univariate) and 1 (bivaraite) can be accepted!\n"
    "Input model code again...\n";
const char kAskData[] = "Please input the name of the data file: \n";
const char kAskOccasions[] = "How many occasions do you have in your data?\n";
const char kBadOccasions[] =
    "ldsgen: the number of occasions must be a whole number from -2147483648 to 2147483647\n";

// The preamble is what a script holds while the model code is asked.
std::string preamble() {
  const std::string script = golden("univariate_3.inp");
  return script.substr(0, script.find("!The data"));
}

TEST(Dialogue, ConsoleOfARunWithOneWrongCode) {
  Outcome r = run("out.inp\n5\n1\nd.dat\n3\n");
  EXPECT_EQ(r.console, std::string(kAskScript) + kAskModel + kReject + kAskData + kAskOccasions);
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.script_name, "out.inp");
}

TEST(Dialogue, AnswersOnOneLineGiveTheSameRun) {
  Outcome apart = run("out.inp\n1\ndata.dat\n3\n");
  Outcome together = run("out.inp 1 data.dat 3");
  EXPECT_EQ(together.console, apart.console);
  EXPECT_EQ(together.script, apart.script);
  EXPECT_EQ(together.status, 0);
}

TEST(Dialogue, ReadsAnswersAsDecimalWordsLeavingTheRest) {
  struct Case {
    const char* input;
    int rejections;
    const char* data_line;  // shows where the leftover of the model code went
    const char* first_names;
  } cases[] = {
      {"s 5 -1 1 d 3", 2, "DATA: FILE IS d;", "y1 y2 y3 "},
      {"s +1 d 3", 0, "DATA: FILE IS d;", "y1 y2 y3 "},
      {"s 01 d 3", 0, "DATA: FILE IS d;", "y1 y2 y3 "},
      {"s 1.5 3", 0, "DATA: FILE IS .5;", "y1 y2 y3 "},
      {"s 0x1A 3", 0, "DATA: FILE IS x1A;", "y1 y2 y3 "},
      {"s 0 d 010", 0, "DATA: FILE IS d;", "y1 y2 y3 y4 y5 y6 y7 y8 y9 y10 ;"},
      {"s\t\v\f\r\n1\n\nd\r\n+2\r\n", 0, "DATA: FILE IS d;", "y1 y2 "},
      {"s 1 caf\xc3\xa9\xa0.dat 1", 0, "DATA: FILE IS caf\xc3\xa9\xa0.dat;", "y1 "},
      // Words that are not numbers are dropped whole and rejected like a wrong code.
      {"s two 1 d 1", 1, "DATA: FILE IS d;", "y1 "},
      {"s - + +-1 1x 1 d 1", 3, "DATA: FILE IS x;", "y1 "},
      {"s 2147483648 -2147483649 99999999999999999999 1 d 1", 3, "DATA: FILE IS d;", "y1 "},
      {"s -2147483648 2147483647 0 d 1", 2, "DATA: FILE IS d;", "y1 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Outcome r = run(c.input);
    ASSERT_EQ(r.status, 0) << r.errors;
    std::string expected_console = std::string(kAskScript) + kAskModel;
    for (int i = 0; i < c.rejections; ++i) expected_console += kReject;
    EXPECT_EQ(r.console, expected_console + kAskData + kAskOccasions);
    std::vector<std::string> script = lines(r.script);
    EXPECT_EQ(script.at(7), c.data_line);
    EXPECT_EQ(script.at(9).rfind(c.first_names, 0), 0u) << script.at(9);
  }
}

TEST(Dialogue, AFileNameIsCutAtItsBlank) {
  Outcome r = run("my script.inp\n0\nd.dat\n1\n");
  EXPECT_EQ(r.script_name, "my");
  EXPECT_EQ(r.console, std::string(kAskScript) + kAskModel + kReject + kAskData + kAskOccasions);
  EXPECT_EQ(lines(r.script).at(7), "DATA: FILE IS d.dat;");
}

TEST(Dialogue, UnreadableOccasionCountIsAskedAgain) {
  Outcome r = run("s 0 d many -- 4294967296 2");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console, std::string(kAskScript) + kAskModel + kAskData + kAskOccasions +
                           kAskOccasions + kAskOccasions + kAskOccasions);
  EXPECT_EQ(r.errors, std::string(kBadOccasions) + kBadOccasions + kBadOccasions);
  EXPECT_EQ(lines(r.script).at(9), "y1 y2 ;");
}

TEST(Dialogue, EndOfInputStopsWithTheMissingAnswerNamed) {
  struct Case {
    const char* input;
    const char* message;
    bool script_created;
  } cases[] = {
      {"", "ldsgen: input ended before the script file name was given\n", false},
      {" \n\t", "ldsgen: input ended before the script file name was given\n", false},
      {"s", "ldsgen: input ended before the model code was given\n", true},
      {"s 7 x", "ldsgen: input ended before the model code was given\n", true},
      {"s 1", "ldsgen: input ended before the data file name was given\n", true},
      {"s 1 d ", "ldsgen: input ended before the number of occasions was given\n", true},
      {"s 1 d -", "ldsgen: input ended before the number of occasions was given\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Outcome r = run(c.input);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors.substr(r.errors.size() - std::string(c.message).size()), c.message);
    EXPECT_EQ(!r.script_name.empty(), c.script_created);
    EXPECT_EQ(r.script.find("MODEL:"), std::string::npos);
  }
}

TEST(Dialogue, EndOfInputKeepsWhatWasWritten) {
  EXPECT_EQ(run("s").script, preamble());
  EXPECT_EQ(run("s 1 d").script, preamble() + "!The data to be analyzed\nDATA: FILE IS d;\n");
}

TEST(Dialogue, ScriptIsStoredBeforeEachQuestionAndNotLineByLine) {
  Outcome r = run("s 0 d 1000");
  ASSERT_EQ(r.status, 0);
  // Flushed before the model code, the data file and the occasions are asked, and at the end.
  ASSERT_GE(r.flushed_sizes.size(), 4u);
  EXPECT_LE(r.flushed_sizes.size(), 5u);  // one more when the file is closed
  EXPECT_EQ(r.flushed_sizes[0], preamble().size());
  EXPECT_EQ(r.flushed_sizes[1], preamble().size());
  EXPECT_EQ(r.flushed_sizes[2], r.script.find("VARIABLE:"));
  EXPECT_EQ(r.flushed_sizes.back(), r.script.size());
  // The body of a thousand occasions (about 160 KB) goes out in a few large blocks: one write
  // at each of the three questions, then one per 64 KiB.
  EXPECT_LE(r.writes, 3 + r.script.size() / (64 * 1024) + 1);
}

TEST(Dialogue, ScriptThatCannotBeCreatedStopsTheDialogue) {
  std::istringstream in("missing/out.inp 0 d 3");
  std::ostringstream out, err;
  int status = run_dialogue(in, out, err, [](const std::string&, std::string* why) {
    *why = "No such file or directory";
    return nullptr;
  });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out.str(), kAskScript);
  EXPECT_EQ(err.str(),
            "ldsgen: cannot create script file 'missing/out.inp': No such file or directory\n");
}

TEST(Dialogue, FailedWriteIsReportedNotSuccess) {
  // Capacities that fail before the first question, in the data section, after it and at the
  // last byte.
  const std::size_t full = run("s 1 d 3").script.size();
  for (std::size_t capacity :
       {std::size_t{0}, std::size_t{100}, preamble().size() + 10, std::size_t{400}, full - 1}) {
    SCOPED_TRACE(capacity);
    Outcome r = run("s 1 d 3", capacity);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors.rfind("ldsgen: cannot write script file 's': ", 0), 0u) << r.errors;
    EXPECT_EQ(r.script, run("s 1 d 3").script.substr(0, capacity));
  }
}

TEST(Dialogue, FailedWriteInTheBodyStopsThere) {
  struct Case {
    const char* input;
    const char* where;  // a line of the body at which the disk fills up
  } cases[] = {
      {"s 0 d 20000", "dy12345 on ly12345 * (1);"},
      {"s 0 d 20000", "y19999* (2);"},
      {"s 1 d 20000", "!beginning the codes for x variables"},
      {"s 1 d 20000", "dy777 on lx777*(4);"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    const std::string full = run(c.input).script;
    const std::size_t capacity = full.find(c.where);
    ASSERT_NE(capacity, std::string::npos);
    Outcome r = run(c.input, capacity);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.script, full.substr(0, capacity));
    EXPECT_EQ(r.errors.rfind("ldsgen: cannot write script file 's': ", 0), 0u) << r.errors;
  }
}

}  // namespace
}  // namespace ldsgen::testing

#include "dialogue.h"

#include <gtest/gtest.h>

#include <sstream>

#include "answers.h"
#include "script_size.h"
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
    "ldsgen: the number of occasions must be a whole number from 2 to 2147483647\n";
const char kTooFewOccasions[] =
    "ldsgen: a change model needs at least 2 occasions: the number of occasions must be a whole "
    "number from 2 to 2147483647\n";

// The preamble is what a script holds while the model code is asked.
std::string preamble() {
  const std::string script = golden("univariate_3.inp");
  return script.substr(0, script.find("!The data"));
}

TEST(Dialogue, ConsoleOfARunWithOneWrongCode) {
  Outcome r = run("out.inp\n5\n1\nd.dat\n3\n");
  EXPECT_EQ(r.console, std::string(kAskScript) + kAskModel + kReject + kAskData + kAskOccasions);
  EXPECT_EQ(r.errors,
            "ldsgen: warning: the bivariate model is identified with 3 occasions but hard to "
            "estimate; 4 or more occasions are recommended\n");
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

// A number is a whole word: an optional sign and decimal digits. Anything else is a wrong code
// or a refused count, and nothing of it is left over to become the next answer.
TEST(Dialogue, NumbersAreWholeWords) {
  struct Case {
    const char* input;
    int rejections;
    const char* first_names;
    std::vector<const char*> refused;  // occasion words
  } cases[] = {
      {"s 5 -1 1 d 4", 2, "y1 y2 y3 y4 ", {}},
      {"s +1 d 4", 0, "y1 y2 y3 y4 ", {}},
      {"s 01 d 4", 0, "y1 y2 y3 y4 ", {}},
      {"s 0 d 010", 0, "y1 y2 y3 y4 y5 y6 y7 y8 y9 y10 ;", {}},
      {"s\t\v\f\r\n1\n\nd\r\n+4\r\n", 0, "y1 y2 y3 y4 ", {}},
      {"s\n1. 1 d 4", 1, "y1 y2 y3 y4 ", {}},
      {"s\n1.5 0x1A 1 d 4", 2, "y1 y2 y3 y4 ", {}},
      {"s\ntwo - + +-1 1x 1 d 4", 5, "y1 y2 y3 y4 ", {}},
      {"s 2147483648 -2147483649 99999999999999999999 1 d 4", 3, "y1 y2 y3 y4 ", {}},
      {"s -2147483648 2147483647 0 d 4", 2, "y1 y2 y3 y4 ", {}},
      {"s 1 d\n4,5 4.5 3abc 2/wave 4", 0, "y1 y2 y3 y4 ", {"4,5", "4.5", "3abc", "2/wave"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Outcome r = run(c.input);
    ASSERT_EQ(r.status, 0) << r.errors;
    std::string errors, console = std::string(kAskScript) + kAskModel;
    for (int i = 0; i < c.rejections; ++i) console += kReject;
    console += kAskData;
    for (const char* word : c.refused) {
      errors += "ldsgen: \"" + std::string(word) + "\" is not a whole number of occasions\n";
      console += kAskOccasions;
    }
    EXPECT_EQ(r.errors, errors);
    EXPECT_EQ(r.console, console + kAskOccasions);
    std::vector<std::string> script = lines(r.script);
    EXPECT_EQ(script.at(7), "DATA: FILE IS d;");
    EXPECT_EQ(script.at(9).rfind(c.first_names, 0), 0u) << script.at(9);
  }
}

// A name typed with a blank is refused, with the line as typed, unless what follows it on its
// line is a number: answers typed on one line name a file and then give a number.
TEST(Dialogue, ANameWithABlankIsRefusedUnlessQuoted) {
  const std::string hint = " holds a blank: put a name with blanks in double quotes\n";
  struct Case {
    const char* input;
    const char* errors;
    const char* script_name;
    const char* data_line;
  } cases[] = {
      {"my script.inp\n\"my script.inp\"\n0\nd.dat\n4\n", "the script file name 'my script.inp'",
       "my script.inp", "DATA: FILE IS d.dat;"},
      {"s 0 /home/ana/study 2/wave data.dat\nd.dat 4",
       "the data file name '/home/ana/study 2/wave data.dat'", "s", "DATA: FILE IS d.dat;"},
      {"s 0 my data.dat 4\nd 4", "the data file name 'my data.dat 4'", "s", "DATA: FILE IS d;"},
      {"s.inp 0 d.dat 4", "", "s.inp", "DATA: FILE IS d.dat;"},
      {"s.inp\t-1 0 d.dat +4", "", "s.inp", "DATA: FILE IS d.dat;"},
      {"s 0 \"my data.dat\" 4", "", "s", "DATA: FILE IS \"my data.dat\";"},
      {"s 0 d\n4", "", "s", "DATA: FILE IS d;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Outcome r = run(c.input);
    EXPECT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(r.errors, *c.errors ? "ldsgen: " + std::string(c.errors) + hint : "");
    EXPECT_EQ(r.script_name, c.script_name);
    EXPECT_EQ(lines(r.script).at(7), c.data_line);
  }
  // A word refused for its own sake drops only itself.
  Outcome r = run("s 0 d\x01 d.dat 4");
  EXPECT_EQ(lines(r.script).at(7), "DATA: FILE IS d.dat;");
}

TEST(Dialogue, UnreadableOrTooFewOccasionsAreAskedAgain) {
  Outcome r = run("s 0 d\nmany -- 4294967296 -5 0 1 4");
  EXPECT_EQ(r.status, 0);
  std::string console = std::string(kAskScript) + kAskModel + kAskData;
  for (int i = 0; i < 7; ++i) console += kAskOccasions;
  EXPECT_EQ(r.console, console);
  EXPECT_EQ(r.errors, std::string("ldsgen: \"many\" is not a whole number of occasions\n") +
                          "ldsgen: \"--\" is not a whole number of occasions\n" + kBadOccasions +
                          kTooFewOccasions + kTooFewOccasions + kTooFewOccasions);
  EXPECT_EQ(lines(r.script).at(9), "y1 y2 y3 y4 ;");
}

TEST(Dialogue, WarnsOfOccasionCountsThatMplusCannotUseWell) {
  const std::string not_identified =
      "ldsgen: warning: the model is not identified with 2 occasions: it has more parameters "
      "than the data have means and covariances; 3 or more occasions are needed";
  struct Case {
    const char* input;
    std::string errors;
  } cases[] = {
      {"s 0 d 2", not_identified + "\n"},
      {"s 1 d 2", not_identified + ", and 4 or more are recommended for the bivariate model\n"},
      {"s 0 d 3", ""},
      {"s 1 d 3",
       "ldsgen: warning: the bivariate model is identified with 3 occasions but hard to "
       "estimate; 4 or more occasions are recommended\n"},
      {"s 0 d 4", ""},
      {"s 1 d 4", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Outcome r = run(c.input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.errors, c.errors);
    EXPECT_EQ(r.console, run(std::string(c.input, c.input + 6) + "5").console);
  }
  EXPECT_EQ(run("s 0 d 999999", 1 << 16).errors.find("warning"), std::string::npos);
  Outcome huge = run("s 1 d 1000000", 1 << 16);
  EXPECT_EQ(huge.errors.rfind("ldsgen: warning: names such as ly1000000 are longer than the 8 "
                              "characters Mplus allows for a name\n",
                              0),
            0u);
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
      {"s 1 d\n-", "ldsgen: input ended before the number of occasions was given\n", true},
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

TEST(Dialogue, OnlyACompleteScriptIsStored) {
  for (const char* input : {"s", "s 1", "s 1 d", "s 1 d 0", "s 1 d x"}) {
    SCOPED_TRACE(input);
    EXPECT_FALSE(run(input).committed);
  }
  EXPECT_TRUE(run("s 1 d 4").committed);
}

TEST(Dialogue, ScriptIsStoredBeforeEachQuestionAndNotLineByLine) {
  Outcome r = run("s 0 d 1000");
  ASSERT_EQ(r.status, 0);
  EXPECT_TRUE(r.committed);
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

TEST(Dialogue, AScriptThatCannotBeCreatedIsRefusedAndAskedAgain) {
  std::istringstream in("missing/out.inp\n");
  std::ostringstream out, err;
  int status = run_dialogue(in, out, err, [](const std::string&) {
    OpenedScript failed;
    failed.why = "No such file or directory";
    return failed;
  });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out.str(), std::string(kAskScript) + kAskScript);
  EXPECT_EQ(err.str(),
            "ldsgen: cannot create script file 'missing/out.inp': No such file or directory; give "
            "another name\n"
            "ldsgen: input ended before the script file name was given\n");
}

// A count whose script can't fit where it goes is refused before a byte of it is written.
TEST(Dialogue, ACountWhoseScriptCannotFitIsAskedAgain) {
  const std::uint64_t three = run("s 0 d 3").script.size();
  Outcome r = run("s 0 d 2147483647 4 3", std::string::npos, {}, three);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.script, run("s 0 d 3").script);
  EXPECT_EQ(r.console, std::string(kAskScript) + kAskModel + kAskData + kAskOccasions +
                           kAskOccasions + kAskOccasions);
  const std::uint64_t huge = script_size(ModelKind::Univariate, "d", 2147483647).bytes;
  const std::uint64_t four = script_size(ModelKind::Univariate, "d", 4).bytes;
  EXPECT_EQ(r.errors, "ldsgen: a script of 2147483647 occasions takes " + grouped(huge) +
                          " bytes, and only " + grouped(three) +
                          " bytes are free where 's' goes: give fewer occasions\n"
                          "ldsgen: a script of 4 occasions takes " +
                          grouped(four) + " bytes, and only " + grouped(three) +
                          " bytes are free where 's' goes: give fewer occasions\n");
}

// Answers given on the command line are not asked; a refused one ends the run with status 2,
// as no one is there to answer again, and no file is made.
TEST(Dialogue, GivenAnswersAreNotAsked) {
  struct Case {
    std::optional<std::string> script, model, data, occasions;
    std::string input;
    int status;
    std::string console, errors;
    Model variant = {};
  } cases[] = {
      {"s", "bi", "d", "4", "", 0, "", ""},
      {"s", "1", "d", "4", "", 0, "", ""},
      {"s", "BIVARIATE", "d", "4", "", 0, "", ""},
      {std::nullopt, "bi", std::nullopt, "4", "s\nd", 0, std::string(kAskScript) + kAskData, ""},
      {"s", std::nullopt, "d", std::nullopt, "1 4", 0, std::string(kAskModel) + kAskOccasions, ""},
      {"s", "2", "d", "4", "", 2, "",
       "wrong model '2': only univariate (uni, 0) and bivariate (bi, 1) can be accepted"},
      {"s", "bi", "d", "4.5", "", 2, "", "\"4.5\" is not a whole number of occasions"},
      {"s", "bi", "d", "1", "", 2, "",
       "a change model needs at least 2 occasions: the number of occasions must be a whole "
       "number from 2 to 2147483647"},
      {"dir/", "bi", "d", "4", "", 2, "", "the script file name 'dir/' names a folder, not a file"},
      {"s", "bi", "", "4", "", 2, "", "the data file name is empty"},
      {"d.dat", "bi", "d", "4", "", 2, "", "'d.dat' is not an ldsgen script and is left as it is"},
      // The model's options are checked however many answers are given with them.
      {"s", "bi", "d", "4", "", 2, "", "the names 'a' and 'a' would both declare a1",
       with_options({{"y-name", "a"}, {"x-name", "a"}})},
      {"s", "uni", "d", "4", "", 2, "", "the model has no label 3: its labels are 1 and 2",
       with_options({{"start", "3=0.1"}})},
      {"s", "uni", "d", "4", "", 2, "", "the ID column 'y2' is not one of the data file's columns",
       with_options({{"id", "y2"}})},
      {"s", "uni", "d", "4", "", 2, "", "the ID column 'y2' is one of the model's variables",
       with_options({{"columns", "y1 y2 y3 y4"}, {"id", "y2"}})},
      {"s", "uni", "d", "5", "", 2, "",
       "the data file's columns lack y5, one of the model's 5 occasions: list every column of the "
       "file in order",
       with_options({{"columns", "id y1 y2 y3 y4"}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + " " + c.model.value_or("-") + " " + c.occasions.value_or("-"));
    std::istringstream in(c.input);
    std::ostringstream out, err;
    MemoryFile file;
    bool created = false;
    DialogueSetup setup;
    setup.quiet = true;
    setup.script = c.script;
    setup.model = c.model;
    setup.data = c.data;
    setup.occasions = c.occasions;
    setup.variant = c.variant;
    setup.create = [&](const std::string& name) {
      OpenedScript opened;
      if (name == "d.dat") {
        opened.status = OpenedScript::kNotAScript;
        return opened;
      }
      created = true;
      opened.status = OpenedScript::kOpened;
      opened.file = std::make_unique<MemoryScript>(&file);
      return opened;
    };
    EXPECT_EQ(run_dialogue(in, out, err, setup), c.status);
    EXPECT_EQ(out.str(), c.console);
    if (c.status == 0) {
      EXPECT_EQ(err.str(), "");
      const bool bi = c.model != "uni" && c.model.value_or("1") != "0";
      EXPECT_EQ(file.text(), run(std::string("s ") + (bi ? "1" : "0") + " d 4").script);
    } else {
      EXPECT_EQ(err.str(), "ldsgen: " + c.errors + "\nTry 'ldsgen --help' for more information.\n");
      EXPECT_FALSE(created);
    }
  }
}

// When the script is stored, one line says what was written.
TEST(Dialogue, SaysWhatWasWritten) {
  std::istringstream in("growth.inp 0 d.dat 4");
  std::ostringstream out, err;
  MemoryFile file;
  int status = run_dialogue(in, out, err, [&](const std::string&) {
    OpenedScript opened;
    opened.status = OpenedScript::kOpened;
    opened.file = std::make_unique<MemoryScript>(&file);
    return opened;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err.str(), "ldsgen: wrote growth.inp: univariate model, 4 occasions, " +
                           std::to_string(lines(file.text()).size()) + " lines\n");
}

TEST(Dialogue, FailedWriteIsReportedNotSuccess) {
  // Capacities that fail before the first question, in the data section, after it and at the
  // last byte.
  const std::size_t full = run("s 1 d 4").script.size();
  for (std::size_t capacity :
       {std::size_t{0}, std::size_t{100}, preamble().size() + 10, std::size_t{400}, full - 1}) {
    SCOPED_TRACE(capacity);
    Outcome r = run("s 1 d 4", capacity);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.committed);
    EXPECT_EQ(r.errors.rfind("ldsgen: cannot write script file 's': ", 0), 0u) << r.errors;
    EXPECT_EQ(r.script, run("s 1 d 4").script.substr(0, capacity));
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
    EXPECT_FALSE(r.committed);
    EXPECT_EQ(r.script, full.substr(0, capacity));
    EXPECT_EQ(r.errors.rfind("ldsgen: cannot write script file 's': ", 0), 0u) << r.errors;
  }
}

TEST(Dialogue, AFileOfTheUsersOwnIsLeftAndTheNameAskedAgain) {
  Outcome r = run("d.dat", std::string::npos, {"d.dat"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.script_name, "");
  EXPECT_EQ(r.console, std::string(kAskScript) + kAskScript);
  EXPECT_EQ(r.errors,
            "ldsgen: 'd.dat' is not an ldsgen script and is left as it is; give another name\n"
            "ldsgen: input ended before the script file name was given\n");
  Outcome next = run("d.dat\ns.inp 0 d.dat 4", std::string::npos, {"d.dat"});
  EXPECT_EQ(next.status, 0);
  EXPECT_EQ(next.script_name, "s.inp");
  EXPECT_TRUE(next.committed);
}

TEST(Dialogue, QuotedAnswersKeepTheirBlanks) {
  struct Case {
    const char* input;
    const char* script_name;
    const char* data_line;
  } cases[] = {
      {"\"my script.inp\" 0 d 4", "my script.inp", "DATA: FILE IS d;"},
      {"\"s.inp\"0 d 4", "s.inp", "DATA: FILE IS d;"},
      {"s 0 \"C:\\My Data\\wave.dat\" 4", "s", "DATA: FILE IS \"C:\\My Data\\wave.dat\";"},
      {"s 0 \"d.dat\"4", "s", "DATA: FILE IS \"d.dat\";"},
      {"s 0 a\"b 4", "s", "DATA: FILE IS a\"b;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Outcome r = run(c.input);
    EXPECT_EQ(r.status, 0) << r.errors;
    EXPECT_EQ(r.script_name, c.script_name);
    EXPECT_EQ(lines(r.script).at(7), c.data_line);
  }
  Outcome unclosed = run("s 0 \"C:\\My Data");
  EXPECT_EQ(unclosed.status, 1);
  EXPECT_EQ(unclosed.errors, "ldsgen: input ended before the data file name was given\n");
}

TEST(Dialogue, BadFileNamesAreRefusedAndAskedAgain) {
  const std::string huge(kMaxFileName + 1, 'a');
  struct Case {
    std::string input;
    std::string error;
  } cases[] = {
      {"\"\" s 0 d 4", "the script file name is empty"},
      {huge + " s 0 d 4", "the script file name is longer than 4096 bytes"},
      {"\"" + huge + huge + "\" s 0 d 4", "the script file name is longer than 4096 bytes"},
      {std::string("sn.inp\0evil s 0 d 4", 19),
       "the script file name 'sn.inp\\x00evil' holds a control byte (\\x00)"},
      {"\x1b[2Jx s 0 d 4", "the script file name '\\x1B[2Jx' holds a control byte (\\x1B)"},
      {"a\x7f s 0 d 4", "the script file name 'a\\x7F' holds a control byte (\\x7F)"},
      {"\"my\tscript\" s 0 d 4",
       "the script file name 'my\\x09script' holds a control byte (\\x09)"},
      {"\"my script\n s 0 d 4", "the script file name \"my script has no closing quote"},
      {"s 0 " + huge + " d 4", "the data file name is longer than 4096 bytes"},
      {"s 0 \"\" d 4", "the data file name is empty"},
      {"s 0 d\x01 d 4", "the data file name 'd\\x01' holds a control byte (\\x01)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(printable(c.input.substr(0, 40)));
    Outcome r = run(c.input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.errors, "ldsgen: " + c.error + "\n");
    EXPECT_EQ(r.script_name, "s");
    EXPECT_EQ(lines(r.script).at(7), "DATA: FILE IS d;");
    const bool script = c.error.find("script") != std::string::npos;
    EXPECT_EQ(r.console, std::string(kAskScript) + (script ? kAskScript : "") + kAskModel +
                             kAskData + (script ? "" : kAskData) + kAskOccasions);
  }
}

TEST(Dialogue, WarnsOfDataNamesMplusWillMisread) {
  struct Case {
    const char* name;
    const char* warning;
  } cases[] = {
      {"C:\\data!v2\\d.dat", "holds '!', which starts a comment"},
      {"\"a;b.dat\"", "holds ';', which ends a statement"},
      {"/data/folder_with_a_name_far_too_long_for_one_line_of_mplus_input_"
       "which_reads_90_characters_of_a_line/d.dat",
       "too long for one line of 90 characters, and Mplus may cut it"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome r = run(std::string("s 0 ") + c.name + " 4");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.errors.rfind("ldsgen: warning: ", 0), 0u) << r.errors;
    EXPECT_NE(r.errors.find(c.warning), std::string::npos) << r.errors;
    EXPECT_EQ(lines(r.script).at(7).rfind("DATA: FILE IS ", 0), 0u);
  }
}

}  // namespace
}  // namespace ldsgen::testing

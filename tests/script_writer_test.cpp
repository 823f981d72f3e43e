#include "script_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "test_support.h"

namespace ldsgen::testing {
namespace {

// The lines between "VARIABLE: NAMES ARE " and " USEVARIABLE ARE ", and the lines after that
// up to " MISSING=.;": the two copies of the variable list.
std::pair<std::string, std::string> variable_lists(ModelKind kind, std::int64_t n) {
  StringSink out;
  ScriptWriter w(out);
  write_variable_sections(w, kind, n);
  w.flush();
  const std::string text = out.str();
  const std::string names = "VARIABLE: NAMES ARE \n", used = " USEVARIABLE ARE \n";
  std::size_t a = text.find(names) + names.size(), b = text.find(used);
  std::size_t c = b + used.size(), d = text.find(" MISSING=.;\n");
  EXPECT_EQ(text.substr(d),
            " MISSING=.;\n ANALYSIS: TYPE=MEANSTRUCTURE;\n ITERATIONS = 8000;\nMODEL:\n");
  return {text.substr(a, b - a), text.substr(c, d - c)};
}

std::string names(char letter, int first, int last) {
  std::string text;
  for (int i = first; i <= last; ++i) text += letter + std::to_string(i) + " ";
  return text;
}

TEST(VariableList, ShortListsStayOnOneLinePerVariable) {
  struct Case {
    ModelKind kind;
    std::int64_t n;
    std::string list;
  } cases[] = {
      {ModelKind::Univariate, 0, ";\n"},
      {ModelKind::Bivariate, 0, "\n;\n"},
      {ModelKind::Univariate, -5, ";\n"},
      {ModelKind::Univariate, 1, "y1 ;\n"},
      {ModelKind::Bivariate, 1, "y1 \nx1 ;\n"},
      {ModelKind::Univariate, 24, names('y', 1, 24) + ";\n"},
      {ModelKind::Bivariate, 24, names('y', 1, 24) + "\n" + names('x', 1, 24) + ";\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    auto [first, second] = variable_lists(c.kind, c.n);
    EXPECT_EQ(first, c.list);
    EXPECT_EQ(second, c.list);
  }
}

// Mplus drops what stands past column 90, so longer lists are broken before the name that would
// take a line past 89 characters.
TEST(VariableList, LongListsWrapBeforeColumn90) {
  struct Case {
    ModelKind kind;
    std::int64_t n;
    std::string list;
  } cases[] = {
      {ModelKind::Univariate, 25, names('y', 1, 24) + "\ny25 ;\n"},
      {ModelKind::Bivariate, 25, names('y', 1, 24) + "\ny25 \n" + names('x', 1, 24) + "\nx25 ;\n"},
      {ModelKind::Univariate, 100,
       names('y', 1, 24) + "\n" + names('y', 25, 46) + "\n" + names('y', 47, 68) + "\n" +
           names('y', 69, 90) + "\n" + names('y', 91, 100) + ";\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(variable_lists(c.kind, c.n).first, c.list);
  }
}

TEST(VariableList, EveryLineFitsAndEveryNameAppearsOnceInOrder) {
  for (std::int64_t n : {23, 24, 25, 26, 99, 999, 1000, 10000, 100001}) {
    SCOPED_TRACE(n);
    const std::string list = variable_lists(ModelKind::Bivariate, n).first;
    std::string joined;
    for (const std::string& line : lines(list)) {
      EXPECT_LE(line.size(), 90u);
      joined += line;
    }
    EXPECT_EQ(joined,
              names('y', 1, static_cast<int>(n)) + names('x', 1, static_cast<int>(n)) + ";");
  }
}

TEST(Index, FormatsTheWholeSixtyFourBitRange) {
  struct Case {
    std::int64_t value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {7, "7"},
      {-2, "-2"},
      {1000000, "1000000"},
      {std::int64_t{INT_MAX} + 1, "2147483648"},
      {std::int64_t{INT_MIN} - 1, "-2147483649"},
      {INT64_MIN, "-9223372036854775808"},
  };
  for (const Case& c : cases) {
    Index i(c.value);
    EXPECT_EQ(std::string(i.data(), i.size()), c.text);
  }
}

TEST(Index, CountingCarriesAndBorrowsLikeFormattingAnew) {
  for (std::int64_t start : {std::int64_t{1}, std::int64_t{INT_MAX} - 5, INT64_MAX - 1300}) {
    Index counted(start);
    for (std::int64_t value = start; value < start + 1200; ++value, ++counted) {
      ASSERT_EQ(std::to_string(value), std::string(counted.data(), counted.size()));
      ASSERT_EQ(counted.value(), value);
      const Index before = counted - 1, after = counted + 1;
      ASSERT_EQ(std::to_string(value - 1), std::string(before.data(), before.size()));
      ASSERT_EQ(std::to_string(value + 1), std::string(after.data(), after.size()));
    }
  }
}

TEST(ScriptWriter, DataFileNameLongerThanTheBufferIsWrittenWhole) {
  const std::string name(200000, 'n');
  StringSink out;
  ScriptWriter w(out);
  write_preamble(w);
  write_data_section(w, name);
  ASSERT_TRUE(w.flush());
  EXPECT_EQ(lines(out.str()).at(7), "DATA: FILE IS \"");
  EXPECT_EQ(lines(out.str()).at(8), name + "\";");
}

TEST(ScriptWriter, StopsAtTheFirstRefusedWrite) {
  MemoryFile file(10);
  ScriptWriter w(file);
  for_each_occasion(w, 1, 100000, [&](Index i) { w.line("y", i, " with x", i, "* (7);"); });
  EXPECT_FALSE(w.flush());
  EXPECT_FALSE(w.error().empty());
  EXPECT_EQ(file.text(), "y1 with x1");
  int calls = 0;
  for_each_occasion(w, 1, 100, [&](Index) { ++calls; });
  EXPECT_EQ(calls, 0);
}

// The DATA statement joined back into one line, and its lines checked against Mplus's width.
std::string joined_data_lines(const std::string& name, bool* too_wide) {
  StringSink out;
  ScriptWriter w(out);
  write_data_section(w, name);
  w.flush();
  std::string joined;
  for (const std::string& line : lines(out.str())) {
    if (line.size() > 90) *too_wide = true;
    if (line[0] != '!') joined += line;
  }
  return joined;
}

TEST(DataStatement, LongNamesAreQuotedAndBrokenAfterSlashes) {
  const std::string windows =
      "C:\\Users\\someone\\Documents\\Research\\LongitudinalStudy2024\\cleaned_data\\"
      "wave_all_participants.dat";
  std::string posix;
  while (posix.size() < 190) posix += "/folder" + std::to_string(posix.size());
  posix += "/data.dat";
  const std::string long_segment = "/data/" + std::string(120, 's') + "/d.dat";
  struct Case {
    std::string name;
    std::size_t lines;
    bool warned;
  } cases[] = {
      {"d.dat", 1, false},
      {std::string(75, 'a'), 1, false},           // 14 + 75 + 1 = 90
      {"C:\\" + std::string(73, 'a'), 2, false},  // 76 characters: one too many
      {"C:\\" + std::string(74, 'a'), 2, false},
      {"C:\\data\\" + std::string(69, 'a'), 2, false},  // 78
      {std::string(70, 'a') + "/bcde", 1, false},
      {std::string(70, 'a') + "/bcdef", 2, false},  // 91: quoted and broken
      {std::string(77, 'a') + "/b.dat", 2, false},
      {windows, 2, false},
      {posix, 3, false},
      {"\"C:\\My Data\\" + std::string(80, 'w') + "\\wave.dat\"", 3, false},
      {long_segment, 3, true},
      {std::string(120, 'n'), 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DataStatement statement = data_statement(c.name);
    EXPECT_EQ(statement.lines.size(), c.lines);
    EXPECT_EQ(statement.too_wide, c.warned);
    bool too_wide = false;
    const std::string joined = joined_data_lines(c.name, &too_wide);
    EXPECT_EQ(too_wide, c.warned);
    const bool quoted = c.name.front() == '"';
    if (c.lines == 1) {
      EXPECT_EQ(joined, "DATA: FILE IS " + c.name + ";");
    } else {
      EXPECT_EQ(joined, "DATA: FILE IS " + (quoted ? c.name : '"' + c.name + '"') + ";");
    }
  }
  // Each line after the first starts in column 1, and breaks come just after a slash.
  const std::vector<DataLine> broken = data_statement(windows).lines;
  EXPECT_EQ(broken[0].head, "DATA: FILE IS \"");
  EXPECT_EQ(broken[0].text.back(), '\\');
  EXPECT_EQ(broken[1].head, "");
  EXPECT_EQ(broken[1].tail, "\";");
}

TEST(ScriptStart, OnlyFilesThatBeginWithTheBannerAreScripts) {
  const std::string edge = "!*********************************************!";
  struct Case {
    std::string start;
    bool script;
  } cases[] = {
      {"", true},
      {edge, true},
      {edge + "\n!This M+", true},
      {edge + "\r\n!This", true},
      {edge + "\r", true},
      {edge + " \n", false},
      {edge + "*", false},
      {"1 2 3\n4 5 6\n", false},
      {"\n" + edge, false},
      {edge.substr(0, 46), false},
      // Saved by an editor that puts a byte order mark first.
      {"\xEF\xBB\xBF" + edge + "\r\n!This M+ latent", true},
      {"\xEF\xBB\xBF"
       "1 2 3\r\n",
       false},
      {"\xEF\xBB" + edge, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    EXPECT_EQ(is_ldsgen_script(c.start.substr(0, kScriptStart)), c.script);
  }
}

}  // namespace
}  // namespace ldsgen::testing

#include "script_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace ldsgen::testing {
namespace {

// The lines between "VARIABLE: NAMES ARE " and " USEVARIABLE ARE ", and the lines after that
// up to " MISSING=.;": the two copies of the variable list.
std::pair<std::string, std::string> variable_lists(ModelKind kind, std::int64_t n) {
  std::ostringstream out;
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
  for (std::int64_t start : {std::int64_t{-25}, std::int64_t{INT_MAX} - 5, INT64_MIN + 1}) {
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
  std::ostringstream out;
  ScriptWriter w(out);
  write_preamble(w);
  write_data_section(w, name);
  ASSERT_TRUE(w.flush());
  EXPECT_EQ(lines(out.str()).at(7), "DATA: FILE IS " + name + ";");
}

TEST(ScriptWriter, StopsAtTheFirstRefusedWrite) {
  MemoryFile file(10);
  std::ostream out(&file);
  ScriptWriter w(out);
  for_each_occasion(w, 1, 100000, [&](Index i) { w.line("y", i, " with x", i, "* (7);"); });
  EXPECT_FALSE(w.flush());
  EXPECT_FALSE(w.error().empty());
  EXPECT_EQ(file.text(), "y1 with x1");
  int calls = 0;
  for_each_occasion(w, 1, 100, [&](Index) { ++calls; });
  EXPECT_EQ(calls, 0);
}

// A file whose last bytes can't be stored when it is closed (as on a full network share).
TEST(ScriptFile, FailureToStoreAtCloseIsReported) {
  struct Unstorable : std::stringbuf {
    int sync() override { return -1; }
  } file;
  std::ostream script(&file);
  std::string why;
  EXPECT_FALSE(close_script_file(script, &why));
  EXPECT_FALSE(why.empty());
  std::stringbuf fine;
  std::ostream good(&fine);
  EXPECT_TRUE(close_script_file(good, &why));
}

#ifdef __linux__
TEST(ScriptFile, FullDiskAtCloseIsReported) {
  std::ofstream full("/dev/full");
  full << "the last bytes, still in the file's own buffer";
  std::string why;
  EXPECT_FALSE(close_script_file(full, &why));
  EXPECT_EQ(why, "No space left on device");
}
#endif

}  // namespace
}  // namespace ldsgen::testing

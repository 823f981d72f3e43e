#include "answers.h"

#include <gtest/gtest.h>

namespace ldsgen::testing {
namespace {

// A form field holds one answer, read as the console reads one.
TEST(Fields, FileNamesAreOneAnswerEach) {
  struct Case {
    const char* field;
    FileRole role;
    const char* name;
    const char* problem;
  } cases[] = {
      {" model.inp ", FileRole::kScript, "model.inp", ""},
      {"\"my model.inp\"", FileRole::kScript, "my model.inp", ""},
      {"\"C:\\My Data\\w.dat\"", FileRole::kData, "\"C:\\My Data\\w.dat\"", ""},
      {"", FileRole::kScript, "", "the script file name is missing"},
      {"  ", FileRole::kData, "", "the data file name is missing"},
      {"my data.dat", FileRole::kData, "",
       "the data file name holds a blank: put a name with blanks in double quotes"},
      {"\"my data.dat", FileRole::kData, "", "the data file name has no closing quote"},
      {"\"\"", FileRole::kScript, "", "the script file name is empty"},
      {".", FileRole::kScript, "", "the script file name '.' names a folder, not a file"},
      {"..", FileRole::kScript, "", "the script file name '..' names a folder, not a file"},
      {"dir/", FileRole::kScript, "", "the script file name 'dir/' names a folder, not a file"},
      {"sub\\", FileRole::kScript, "", "the script file name 'sub\\' names a folder, not a file"},
      {"a/..", FileRole::kScript, "", "the script file name 'a/..' names a folder, not a file"},
      {"dir/", FileRole::kData, "dir/", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const FileName checked = file_name_field(c.field, c.role);
    EXPECT_EQ(checked.problem, c.problem);
    if (checked.problem.empty()) {
      EXPECT_EQ(checked.name, c.name);
    }
  }
}

TEST(Fields, OccasionsAreOneWholeNumberFromTwo) {
  const std::string range = "the number of occasions must be a whole number from 2 to 2147483647";
  struct Case {
    const char* field;
    std::int32_t value;
    std::string problem;
  } cases[] = {
      {"4", 4, ""},
      {" +010 ", 10, ""},
      {"2147483647", 2147483647, ""},
      {"", 0, "the number of occasions is missing"},
      {"1", 0, "a change model needs at least 2 occasions: " + range},
      {"-5", 0, "a change model needs at least 2 occasions: " + range},
      {"4.5", 0, "\"4.5\" is not a whole number of occasions"},
      {" 4 5", 0, "\"4 5\" is not a whole number of occasions"},
      {"2147483648", 0, range},
      {"four", 0, "\"four\" is not a whole number of occasions"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const Occasions checked = occasions_field(c.field);
    EXPECT_EQ(checked.problem, c.problem);
    if (c.problem.empty()) {
      EXPECT_EQ(checked.value, c.value);
    }
  }
}

// Messages show names safely: the C0 bytes, DEL and the C1 characters terminals obey.
TEST(Printable, EscapesControlCharacters) {
  EXPECT_EQ(printable("a\x1b[2Jb\x7f"), "a\\x1B[2Jb\\x7F");
  EXPECT_EQ(printable("\xc2\x9b"
                      "31m\xc2\x85"),
            "\\xC2\\x9B31m\\xC2\\x85");
  EXPECT_EQ(printable("caf\xc3\xa9 \xc2\xa0 \xc2"), "caf\xc3\xa9 \xc2\xa0 \xc2");
}

TEST(Grouped, PutsCommasBetweenThousands) {
  EXPECT_EQ(grouped(0), "0");
  EXPECT_EQ(grouped(999), "999");
  EXPECT_EQ(grouped(1000), "1,000");
  EXPECT_EQ(grouped(591123456789), "591,123,456,789");
}

}  // namespace
}  // namespace ldsgen::testing

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
      {"4.5", 0, range},
      {"4 5", 0, range},
      {"2147483648", 0, range},
      {"four", 0, range},
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

}  // namespace
}  // namespace ldsgen::testing

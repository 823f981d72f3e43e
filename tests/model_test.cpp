#include "model.h"

#include <gtest/gtest.h>

#include <regex>

#include "script.h"
#include "test_support.h"

namespace ldsgen::testing {
namespace {

std::string script(const Model& model, std::int64_t occasions) {
  StringSink sink;
  ScriptWriter w(sink);
  write_script(w, model, "d.dat", occasions);
  w.flush();
  return sink.str();
}

TEST(Model, StemsThatCantNameAVariableAreRefused) {
  const struct {
    const char* stem;
    const char* says;
  } cases[] = {
      {"", "empty"},
      {"1anx", "does not start with a letter"},
      {"_anx", "does not start with a letter"},
      {"an-x", "other than letters, digits and _"},
      {"anx2", "ends in a digit"},
      {"anxiety", "is too long: its level at occasion 1 would be lanxiety1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stem);
    EXPECT_NE(stem_problem(c.stem).find(c.says), std::string::npos) << stem_problem(c.stem);
  }
  for (const char* good : {"y", "anx", "Dep_2a", "abcdef", "a_"}) EXPECT_EQ(stem_problem(good), "");
}

// Names are the same to Mplus whatever their case; a stem may be another's level or difference.
TEST(Model, StemsThatWouldDeclareOneNameTwiceClash) {
  const struct {
    const char *y, *x, *clash;
  } cases[] = {
      {"anx", "anx", "anx1"}, {"anx", "ANX", "anx1"}, {"y", "ly", "ly1"},
      {"dy", "y", "dy1"},     {"y", "x", nullptr},    {"sy", "y", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.y) + " " + c.x);
    const std::string said = stems_clash(c.y, c.x);
    if (c.clash) {
      EXPECT_NE(said.find(std::string("would both declare ") + c.clash), std::string::npos) << said;
    } else {
      EXPECT_EQ(said, "");
    }
  }
}

// The longest name is the level at the last occasion; 8 characters are allowed.
TEST(Model, AChosenStemRefusesACountThatMakesItsNamesTooLong) {
  Model m(ModelKind::Bivariate);
  m.named = true;
  m.x_name = "dep_a";
  EXPECT_EQ(stem_length_problem(m, 99), "");
  EXPECT_EQ(stem_length_problem(m, 100),
            "with 100 occasions the name 'dep_a' makes ldep_a100, longer than the 8 characters "
            "Mplus allows");
  m.named = false;  // the default names only warn, as they always have
  EXPECT_EQ(stem_length_problem(m, 100), "");
}

TEST(Model, LabelsKeepTheirMeaningAndGoWithTheirPart) {
  Model m(ModelKind::Bivariate);
  EXPECT_EQ(m.labels(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  m.y_change = Change::Constant;
  m.coupling = Coupling::XToY;
  EXPECT_EQ(m.labels(), (std::vector<int>{2, 4, 5, 6, 7}));
  Model u;
  u.y_change = Change::None;
  EXPECT_EQ(u.labels(), (std::vector<int>{2}));
}

TEST(Model, StartingValuesAreDecimalsForLabelsTheModelHas) {
  const struct {
    const char* given;
    const char* says;  // nullptr: taken
  } cases[] = {
      {"1=-0.2", nullptr},        {"2=+5", nullptr},
      {"2=.5", nullptr},          {"1=abc", "not a decimal"},
      {"1=1e3", "not a decimal"}, {"1=", "not a decimal"},
      {"1=-", "not a decimal"},   {"x=1", "names no label"},
      {"1", "not LABEL=VALUE"},   {"9=1", "has no label 9: its labels are 1 and 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    Model m;
    std::string said = add_start(&m, c.given);
    if (said.empty()) said = starts_problem(m);
    if (c.says) {
      EXPECT_NE(said.find(c.says), std::string::npos) << said;
    } else {
      EXPECT_EQ(said, "");
    }
  }
}

// The options by name, as the page gives them.
TEST(Model, OptionsAreSetByName) {
  Model m(ModelKind::Bivariate);
  EXPECT_EQ(set_model_option(&m, "change", "constant"), "");
  EXPECT_EQ(set_model_option(&m, "x-change", "none"), "");
  EXPECT_EQ(m.y_change, Change::Constant);
  EXPECT_EQ(m.x_change, Change::None);
  EXPECT_EQ(set_model_option(&m, "colour", "red"), "no model option 'colour'");
  EXPECT_EQ(set_model_option(&m, "y-name", "9"), "the name '9' does not start with a letter");
}

TEST(Model, StartingValuesGoAfterTheStarOfEveryStatementWithTheLabel) {
  Model m(ModelKind::Bivariate);
  for (const char* start : {"1=-0.2", "3=0.1", "6=2", "7=.3"}) ASSERT_EQ(add_start(&m, start), "");
  const std::string text = script(m, 3);
  for (const char* line :
       {"\ndy1 on ly1 *-0.2 (1);\n", "\ndy2 on ly2 *-0.2 (1);\n", "\ndx2 on ly2*0.1(3);\n",
        "\ny3* (5);x3*2 (6);\n", "\ny1 with x1*.3 (7);\n", "\ndx1 on lx1 * (2);\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

// Every name made of y or x, in statements and comments alike, becomes the stem's.
TEST(Model, ChosenNamesReplaceYAndXAndNothingElse) {
  Model named(ModelKind::Bivariate);
  named.y_name = "anx";
  named.x_name = "dep";
  const std::string today = script(ModelKind::Bivariate, 5);
  const std::regex name(R"(\b([lds]?)([yx])([0-9]*)\b)");
  const std::string renamed = std::regex_replace(today, name, "$1<$2>$3");
  const std::string expected = std::regex_replace(
      std::regex_replace(renamed, std::regex("<y>"), "anx"), std::regex("<x>"), "dep");
  EXPECT_EQ(script(named, 5), expected);
  EXPECT_NE(expected.find("!coupling from anx to dep\n"), std::string::npos);
}

// The parts a variant drops leave no statement behind, and what its zeros need is stated.
TEST(Model, VariantsWriteOnlyTheirParts) {
  const struct {
    Change y;
    Coupling coupling;
    std::vector<const char*> has, lacks;
  } cases[] = {
      {Change::Constant, Coupling::Both, {"sy by dy1 @1;", "[y0 x0 sy sx];"}, {"dy1 on ly1"}},
      {Change::Proportional,
       Coupling::YToX,
       {"dy1 on ly1 * (1);", "dx1 on ly1*(3);", "[y0 x0 sx];"},
       {"sy by", "dy1 on lx1", "!coupling from x to y"}},
      {Change::None,
       Coupling::XToY,
       {"dy1 by ly2 @1;", "dy1 on lx1*(4);", "dy1 with dy2@0;"},
       {"sy by", "dy1 on ly1", "dx1 on ly1"}},
      {Change::None, Coupling::YToX, {"[y1@0]; [ly1@0]; ly1@0;", "ly3 with dx1@0;"}, {"dy1"}},
  };
  for (const auto& c : cases) {
    Model m(ModelKind::Bivariate);
    m.y_change = c.y;
    m.x_change = c.y == Change::None ? Change::Proportional : Change::Dual;
    m.coupling = c.coupling;
    const std::string text = script(m, 3);
    SCOPED_TRACE(text);
    for (const char* s : c.has) EXPECT_NE(text.find(s), std::string::npos) << s;
    for (const char* s : c.lacks) EXPECT_EQ(text.find(s), std::string::npos) << s;
  }
}

TEST(Model, WarnsWhereAVariantIsNotIdentified) {
  Model constant;
  constant.y_change = Change::Constant;
  EXPECT_EQ(occasions_warnings(constant, 2),
            std::vector<std::string>{
                "the model is not identified with 2 occasions: it has more parameters than the "
                "data have means and covariances; 3 or more occasions are needed"});
  EXPECT_TRUE(occasions_warnings(constant, 3).empty());
  Model none;
  none.y_change = Change::None;
  EXPECT_TRUE(occasions_warnings(none, 2).empty());
  // A slope that enough moments still can't separate from its variable's other parts.
  Model few(ModelKind::Bivariate);
  few.y_change = Change::Constant;
  few.x_change = Change::None;
  few.coupling = Coupling::None;
  EXPECT_EQ(occasions_warnings(few, 2)[0],
            "the model is not identified with 2 occasions; 3 or more occasions are needed");
  // Dual change in both variables is hard to estimate at 3 occasions, whatever the coupling.
  Model one_way(ModelKind::Bivariate);
  one_way.coupling = Coupling::YToX;
  EXPECT_EQ(occasions_warnings(one_way, 3),
            std::vector<std::string>{"the bivariate model is identified with 3 occasions but hard "
                                     "to estimate; 4 or more occasions are recommended"});
  Model never(ModelKind::Bivariate);
  never.x_change = Change::None;
  never.coupling = Coupling::XToY;
  EXPECT_EQ(occasions_warnings(never, 50)[0],
            "the model is not identified with any number of occasions: the level of x never "
            "changes, so its coupling to the change of y can't be told apart from the slope of y");
}

}  // namespace
}  // namespace ldsgen::testing

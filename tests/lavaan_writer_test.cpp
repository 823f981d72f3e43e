#include "lavaan_writer.h"

#include <gtest/gtest.h>

#include "model.h"
#include "test_support.h"

namespace ldsgen::testing {
namespace {

std::string r_script(const Model& model, std::string_view data, std::int64_t n) {
  StringSink sink;
  ScriptWriter w(sink);
  write_lavaan_script(w, model, data, n);
  w.flush();
  return sink.str();
}

TEST(LavaanWriter, MatchesTheReviewedGoldens) {
  EXPECT_EQ(r_script(ModelKind::Univariate, "d.dat", 3), golden("univariate_3.R"));
  EXPECT_EQ(r_script(ModelKind::Bivariate, "d.dat", 3), golden("bivariate_3.R"));
}

// A data path as R string literals: the typed quotes go, backslashes and quotes are escaped, and
// a long path is broken between whole characters.
TEST(LavaanWriter, DataPathsBecomeRStrings) {
  const struct {
    std::string name;
    std::size_t width;
    std::vector<std::string> strings;
  } cases[] = {
      {"d.dat", 60, {"\"d.dat\""}},
      {"\"C:\\My Data\\w.dat\"", 60, {"\"C:\\\\My Data\\\\w.dat\""}},
      {"it's \"here\".dat", 60, {"\"it's \\\"here\\\".dat\""}},
      {"abcdef", 5, {"\"abc\"", "\"def\""}},
      {"a\\b", 4, {"\"a\"", "\"\\\\\"", "\"b\""}},
      {"ü/é", 5, {"\"ü/\"", "\"é\""}},  // two-byte characters stay whole
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(r_strings(c.name, c.width), c.strings);
  }
}

// Within 80 columns, whatever the names, the count and the data path.
TEST(LavaanWriter, LinesStayWithin80Columns) {
  Model m(ModelKind::Bivariate);
  m.y_name = "anxiet";
  m.x_name = "depres";
  m.starts[3] = "-0.123456789";
  const std::string path = "\"/" + std::string(150, 'p') + "/\\\"d.dat\\\"\"";
  for (std::int64_t n : {2, 9, 10, 99, 1000}) {
    const std::string text = r_script(m, path, n);
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
      ASSERT_LE(end - begin, 80u) << text.substr(begin, end - begin);
  }
}

// Labels name their meaning, a starting value is a term of its own, and the zeros the Mplus
// script fixes are fixed here too.
TEST(LavaanWriter, StatesEveryParameterOfTheVariant) {
  Model m(ModelKind::Bivariate);
  m.y_name = "anx";
  m.x_name = "dep";
  m.x_change = Change::Proportional;
  m.coupling = Coupling::YToX;
  m.starts[3] = "0.1";
  const std::string text = r_script(m, "d.dat", 3);
  for (const char* line : {"\nddep1 ~ gamma_anx_dep*lanx1 + start(0.1)*lanx1\n",
                           "\nddep1 ~~ 0*ddep2\n", "\nanx1 ~~ rescov_anx_dep*dep1\n",
                           "\nanx0 ~~ sanx\n", "\ndep0 ~~ sanx\n", "\ncolumns <- c(\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  for (const char* absent : {"sdep", "gamma_dep_anx"})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent;
  EXPECT_TRUE(is_ldsgen_lavaan(text.substr(0, 100)));
  EXPECT_FALSE(is_ldsgen_lavaan("library(lavaan)\n"));
}

}  // namespace
}  // namespace ldsgen::testing

#include "univariate.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "script.h"
#include "test_support.h"

namespace ldsgen::testing {
namespace {

TEST(Univariate, WholeScriptForThreeOccasions) {
  Outcome r = run("out.inp\n0\nd.dat\n3\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.script, golden("univariate_3.inp"));
}

TEST(Univariate, SmallestOccasionCount) {
  struct Case {
    const char* n;
    std::string body;
  } cases[] = {
      {"2",
       "!For the variable y\n!Oberved variables and latent level\nly1 by y1 @1;\nly2 by y2 @1;\n"
       "!Autoregressive part\nly2 on ly1 @1;\n!Difference score on latent level\n"
       "dy1 by ly2 @1;\n!Auto-porpotion of difference score on level\n"
       "! add the starting values after *\ndy1 on ly1 * (1);\n"
       "!Model relationship between slope and ds\nsy by dy1 @1;\ny0 by ly1 @1;\n"
       "! Set the means and variance to be 0\n[y1@0]; [ly1@0]; [dy1@0]; ly1@0; dy1@0;\n"
       "[y2@0]; [ly2@0];ly2@0;\n"
       "[y0 sy];\ny0 sy;\n!Set all residuals to be equal\ny1* (2);\ny2* (2);\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    Outcome r = run(std::string("s 0 d ") + c.n);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(model_body(r.script), c.body);
  }
}

// Counts the body's lines by their shape: the name before the first digit and what follows the
// last digit.
std::map<std::string, int> shapes(const std::string& body) {
  std::map<std::string, int> count;
  for (const std::string& line : lines(body)) {
    std::string shape;
    for (char c : line) {
      if (c >= '0' && c <= '9') {
        if (shape.empty() || shape.back() != '#') shape += '#';
      } else {
        shape += c;
      }
    }
    ++count[shape];
  }
  return count;
}

TEST(Univariate, LargeCountsGrowEachLoopByItsRange) {
  const int n = 5000;
  Outcome r = run("s 0 d " + std::to_string(n));
  ASSERT_EQ(r.status, 0);
  std::map<std::string, int> count = shapes(model_body(r.script));
  EXPECT_EQ(count["ly# by y# @#;"], n);
  EXPECT_EQ(count["ly# on ly# @#;"], n - 1);
  EXPECT_EQ(count["dy# by ly# @#;"], n - 1);
  EXPECT_EQ(count["dy# on ly# * (#);"], n - 1);
  EXPECT_EQ(count["sy by dy# @#;"], n - 1);
  EXPECT_EQ(count["[y#@#]; [ly#@#]; [dy#@#]; ly#@#; dy#@#;"], n - 1);
  EXPECT_EQ(count["[y#@#]; [ly#@#];ly#@#;"], 1);
  EXPECT_EQ(count["y#* (#);"], n);
  // Labels, neighbours and the last occasion, checked at the far end.
  const std::string body = model_body(r.script);
  EXPECT_NE(body.find("ly5000 on ly4999 @1;\n"), std::string::npos);
  EXPECT_NE(body.find("dy4999 by ly5000 @1;\n"), std::string::npos);
  EXPECT_NE(body.find("dy4999 on ly4999 * (1);\n"), std::string::npos);
  EXPECT_NE(body.find("[y4999@0]; [ly4999@0]; [dy4999@0]; ly4999@0; dy4999@0;\n"
                      "[y5000@0]; [ly5000@0];ly5000@0;\n"),
            std::string::npos);
  // Label 2 belongs to the residuals alone.
  EXPECT_EQ(body.find("(2)"), body.find("\ny1* (2);") + 5);
}

TEST(Univariate, LargestCountStopsAtTheFirstFailedWrite) {
  Outcome r = run("s 0 d 2147483647", 1 << 20);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.script.size(), std::size_t{1} << 20);
  EXPECT_NE(r.errors.find("\nldsgen: cannot write script file 's': "), std::string::npos);
  EXPECT_FALSE(r.committed);
}

// The web page writes a script at once; it must be the one the dialogue writes piece by piece.
TEST(WholeScript, EqualsTheDialoguesScript) {
  for (ModelKind kind : {ModelKind::Univariate, ModelKind::Bivariate}) {
    StringSink out;
    ScriptWriter w(out);
    write_script(w, kind, "\"C:\\My Data\\w.dat\"", 5);
    w.flush();
    const int code = kind == ModelKind::Bivariate;
    EXPECT_EQ(out.str(), run("s " + std::to_string(code) + " \"C:\\My Data\\w.dat\" 5").script);
  }
}

}  // namespace
}  // namespace ldsgen::testing

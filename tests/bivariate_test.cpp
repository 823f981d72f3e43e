#include "bivariate.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace ldsgen::testing {
namespace {

TEST(Bivariate, WholeScriptForTwoOccasions) {
  Outcome r = run("out.inp\n1\nd.dat\n2\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.script, golden("bivariate_2.inp"));
}

// Everything after the x change block: couplings and residuals.
std::string tail(const std::string& script) {
  const std::string body = model_body(script);
  return body.substr(body.find("\n\n!coupling"));
}

TEST(Bivariate, CouplingAndResidualsAtSmallCounts) {
  struct Case {
    const char* n;
    std::string tail;
    const char* last_y;
    const char* last_x;
  } cases[] = {
      {"3",
       "\n\n!coupling from y to x\ndx1 on ly1*(3);\ndx2 on ly2*(3);\n"
       "\n!coupling from x to y\ndy1 on lx1*(4);\ndy2 on lx2*(4);\n"
       "[y0 x0 sy sx];\ny0 x0 sy sx;\n!Set all residuals to be equal\n"
       "y1* (5);x1* (6);\ny2* (5);x2* (6);\ny3* (5);x3* (6);\n! Set the correlated residuals\n"
       "y1 with x1* (7);\ny2 with x2* (7);\ny3 with x3* (7);\n",
       "[y3@0]; [ly3@0];ly3@0;\n", "[x3@0]; [lx3@0];lx3@0;\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    Outcome r = run(std::string("s 1 d ") + c.n);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(tail(r.script), c.tail);
    const std::string body = model_body(r.script);
    EXPECT_NE(body.find(std::string(c.last_y) + "!beginning the codes for x variables\n"),
              std::string::npos);
    EXPECT_NE(body.find(std::string(c.last_x) + "\n!coupling"), std::string::npos);
    EXPECT_EQ(body.find("[y0 sy];"), std::string::npos);
  }
}

TEST(Bivariate, ChangeBlocksAreTheUnivariateOnes) {
  const std::string uni = model_body(run("s 0 d 7").script);
  const std::string y_block = uni.substr(0, uni.find("[y0 sy];"));
  const std::string body = model_body(run("s 1 d 7").script);
  EXPECT_EQ(body.rfind(y_block + "!beginning the codes for x variables\n!For the variable x\n", 0),
            0u);
  EXPECT_NE(body.find("dx6 on lx6 * (2);\n"), std::string::npos);
  EXPECT_NE(body.find("\n !Set the means and variance to be 0\n[x1@0];"), std::string::npos);
}

TEST(Bivariate, WideFrameWrapsBothVariables) {
  const std::vector<std::string> script = lines(run("s 1 d 30").script);
  EXPECT_EQ(script.at(9),
            "y1 y2 y3 y4 y5 y6 y7 y8 y9 y10 y11 y12 y13 y14 y15 y16 y17 y18 y19 "
            "y20 y21 y22 y23 y24 ");
  EXPECT_EQ(script.at(10), "y25 y26 y27 y28 y29 y30 ");
  EXPECT_EQ(script.at(11).rfind("x1 x2 ", 0), 0u);
  EXPECT_EQ(script.at(12), "x25 x26 x27 x28 x29 x30 ;");
  EXPECT_EQ(script.at(13), " USEVARIABLE ARE ");
}

TEST(Bivariate, LargestCountStopsAtTheFirstFailedWrite) {
  Outcome r = run("s 1 d 2147483647", 1 << 20);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.script.size(), std::size_t{1} << 20);
  EXPECT_NE(r.errors.find("\nldsgen: cannot write script file 's': "), std::string::npos);
  EXPECT_FALSE(r.committed);
}

}  // namespace
}  // namespace ldsgen::testing

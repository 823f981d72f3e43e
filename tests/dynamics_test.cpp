#include "dynamics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>

#include "numbers.h"
#include "test_support.h"

namespace ldsgen::testing {
namespace {

Estimates typed(std::initializer_list<std::pair<const char*, const char*>> values) {
  Estimates e;
  for (const auto& [key, value] : values) EXPECT_EQ(set_estimate(&e, key, value), "") << key;
  return e;
}

// Without proportional change the levels are straight lines, and their variance grows as the
// slope's variance times the squared distance from the start.
TEST(Dynamics, WithoutProportionalChangeTheLevelsAreStraightLines) {
  const Estimates e = typed({{"mean-y0", "10"},
                             {"mean-sy", "1.5"},
                             {"var-y0", "4"},
                             {"var-sy", "0.25"},
                             {"cov-y0-sy", "0.3"}});
  const Trajectory t = trajectory(with_options({{"change", "constant"}}), e, 6);
  ASSERT_EQ(t.mean[0].size(), 6u);
  ASSERT_EQ(t.sd[0].size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_DOUBLE_EQ(t.mean[0][i], 10 + 1.5 * i);
    EXPECT_NEAR(t.sd[0][i], std::sqrt(4 + 0.25 * i * i + 2 * 0.3 * i), 1e-12);
  }
}

// With proportional change the mean goes to the equilibrium -slope/beta geometrically.
TEST(Dynamics, ProportionalChangeApproachesItsEquilibrium) {
  const Estimates e = typed({{"mean-y0", "4"}, {"mean-sy", "2"}, {"beta-y", "-0.2"}});
  const Trajectory t = trajectory(Model(), e, 30);
  for (int i = 0; i < 30; ++i)
    EXPECT_NEAR(t.mean[0][i], 10 + (4 - 10) * std::pow(0.8, i), 1e-9) << i;
  EXPECT_TRUE(t.sd[0].empty());  // no variances: no band
}

// Two variables that are not coupled change each as on its own; coupled, they settle where the
// expected change of both is 0.
TEST(Dynamics, TwoVariables) {
  const Model none = with_options({{"coupling", "none"}}, ModelKind::Bivariate);
  Estimates e = typed({{"mean-y0", "4"},
                       {"mean-sy", "2"},
                       {"beta-y", "-0.2"},
                       {"mean-x0", "1"},
                       {"mean-sx", "3"},
                       {"beta-x", "-0.5"}});
  const Trajectory apart = trajectory(none, e, 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_NEAR(apart.mean[0][i], 10 - 6 * std::pow(0.8, i), 1e-9);
    EXPECT_NEAR(apart.mean[1][i], 6 - 5 * std::pow(0.5, i), 1e-9);
  }
  const Model both(ModelKind::Bivariate);
  EXPECT_EQ(set_estimate(&e, "coupling-x-to-y", "0.1"), "");
  EXPECT_EQ(set_estimate(&e, "coupling-y-to-x", "0.05"), "");
  const Trajectory coupled = trajectory(both, e, 400);
  // 0 = 2 - 0.2 y + 0.1 x and 0 = 3 - 0.5 x + 0.05 y
  const double y = (2 + 0.1 * 6) / (0.2 - 0.1 * 0.1), x = (3 + 0.05 * y) / 0.5;
  EXPECT_NEAR(coupled.mean[0].back(), y, 1e-9);
  EXPECT_NEAR(coupled.mean[1].back(), x, 1e-9);
  EXPECT_NE(regime(both, e).find("(y 13.7, x 7.37)"), std::string::npos) << regime(both, e);
  EXPECT_NEAR(y, 13.684, 1e-3);
  EXPECT_NEAR(x, 7.368, 1e-3);
}

TEST(Dynamics, SaysWhereAndHowTheLevelsSettle) {
  const Model uni, bi(ModelKind::Bivariate);
  const struct {
    const Model& model;
    std::vector<std::pair<const char*, const char*>> values;
    const char* says;
  } cases[] = {
      {uni,
       {{"mean-sy", "2"}, {"beta-y", "-0.2"}},
       "has its equilibrium at 10 (minus the slope's mean over the proportional change) and moves "
       "towards it steadily."},
      {uni,
       {{"mean-sy", "2"}, {"beta-y", "-1.5"}},
       "at 1.33 (minus the slope's mean over the "
       "proportional change) and moves towards it, "
       "oscillating."},
      {uni,
       {{"mean-sy", "2"}, {"beta-y", "0.1"}},
       "at -20 (minus the slope's mean over the "
       "proportional change) and moves away from it "
       "steadily."},
      {uni, {{"mean-sy", "1"}, {"beta-y", "-2.5"}}, "moves away from it, oscillating."},
      {uni, {{"mean-sy", "1"}, {"beta-y", "-2"}}, "oscillates around it with the same size"},
      {uni, {{"mean-sy", "2"}, {"beta-y", "0"}}, "changes by 2 each occasion: a straight line."},
      {uni, {{"mean-sy", "0"}, {"beta-y", "0"}}, "stays at its initial level."},
      {bi,
       {{"mean-sy", "2"},
        {"beta-y", "-0.2"},
        {"mean-sx", "3"},
        {"beta-x", "-0.5"},
        {"coupling-x-to-y", "0"},
        {"coupling-y-to-x", "0"}},
       "eigenvalues 0.8 and 0.5: the levels settle towards the equilibrium (y 10, x 6) steadily."},
      {bi,
       {{"mean-sy", "1"},
        {"beta-y", "-0.2"},
        {"mean-sx", "1"},
        {"beta-x", "-0.2"},
        {"coupling-x-to-y", "-0.5"},
        {"coupling-y-to-x", "0.5"}},
       "complex eigenvalues of size 0.943: the levels spiral towards the equilibrium"},
      {bi,
       {{"mean-sy", "1"},
        {"beta-y", "0.1"},
        {"mean-sx", "1"},
        {"beta-x", "-0.5"},
        {"coupling-x-to-y", "0"},
        {"coupling-y-to-x", "0"}},
       "a saddle: the levels approach the equilibrium (y -10, x 2) along one direction"},
      {bi,
       {{"mean-sy", "1"},
        {"beta-y", "0.1"},
        {"mean-sx", "1"},
        {"beta-x", "0.2"},
        {"coupling-x-to-y", "0"},
        {"coupling-y-to-x", "0"}},
       "move away from the equilibrium"},
      {bi,
       {{"mean-sy", "1"},
        {"beta-y", "-0.1"},
        {"mean-sx", "1"},
        {"beta-x", "-0.1"},
        {"coupling-x-to-y", "0.1"},
        {"coupling-y-to-x", "0.1"}},
       "there is no single equilibrium"},
      {bi,
       {{"mean-sy", "1"},
        {"beta-y", "-2"},
        {"mean-sx", "1"},
        {"beta-x", "-0.5"},
        {"coupling-x-to-y", "0"},
        {"coupling-y-to-x", "0"}},
       "eigenvalues 0.5 and -1: along one direction the levels neither settle nor move away"},
  };
  for (const auto& c : cases) {
    Estimates e;
    for (const auto& [key, value] : c.values) EXPECT_EQ(set_estimate(&e, key, value), "");
    const std::string words = regime(c.model, e);
    EXPECT_NE(words.find(c.says), std::string::npos) << words;
  }
}

TEST(Dynamics, TheTableHasTheStemsAndSixSignificantDigits) {
  const Model m = with_options({{"y-name", "anx"}, {"x-name", "dep"}}, ModelKind::Bivariate);
  Estimates e = typed({{"mean-y0", "10"},
                       {"mean-sy", "1"},
                       {"beta-y", "-0.1"},
                       {"mean-x0", "1"},
                       {"mean-sx", "0.3"},
                       {"beta-x", "-0.3"},
                       {"coupling-x-to-y", "0.2"},
                       {"coupling-y-to-x", "0.05"}});
  const std::string csv = trajectory_csv(m, trajectory(m, e, 3));
  EXPECT_EQ(csv,
            "occasion,anx,anx_lower,anx_upper,dep,dep_lower,dep_upper\n"
            "1,10,,,1,,\n"
            "2,10.2,,,1.5,,\n"
            "3,10.48,,,1.86,,\n");
  EXPECT_EQ(significant(1.0 / 3), "0.333333");
}

// The hand-made format writes what printf's %.6g writes, for every power of ten in range and
// numbers on either side of one.
TEST(Dynamics, SignificantDigitsAsPrintfWritesThem) {
  std::vector<double> values = {0.0,         1.0,          -1.0,   0.1,     123456.0, 1234567.0,
                                0.000123456, 0.0000123456, 1e-300, -2.5e12, 99.99999, 999999.4,
                                3.14159265,  -0.2,         10.48,  1e6,     100000.0};
  for (int e = -40; e <= 40; ++e)
    for (double m : {1.0, 9.999994, 9.999996, 1.000004, 4.2})
      values.push_back(m * std::pow(10.0, e));
  for (double v : values) {
    char want[40];
    std::snprintf(want, sizeof want, "%.6g", v);
    EXPECT_EQ(significant(v), want) << v;
  }
}

// Starting values of the proportional changes and couplings fill their values; the residuals'
// labels give none.
TEST(Dynamics, StartingValuesGiveValues) {
  const Model m = with_options({{"start", "1=-0.2"}, {"start", "3=0.1"}, {"start", "5=0.5"}},
                               ModelKind::Bivariate);
  EXPECT_EQ(starting_estimates(m), (std::vector<std::pair<std::string, std::string>>{
                                       {"beta-y", "-0.2"}, {"coupling-y-to-x", "0.1"}}));
}

TEST(Dynamics, ValuesAreNumbersByTheirKeys) {
  Estimates e;
  EXPECT_EQ(set_estimate(&e, "mean-z0", "1"), "no value 'mean-z0'");
  EXPECT_EQ(set_estimate(&e, "beta-y", "-0.2x"),
            "the value '-0.2x' of beta-y is not a number such as -0.25");
  EXPECT_EQ(set_estimate(&e, "cov-y0-sy", "-1.5E-2"), "");
  EXPECT_EQ(e.cov[kSy][kY0], -0.015);
  const Model m =
      with_options({{"y-change", "proportional"}, {"coupling", "y-to-x"}}, ModelKind::Bivariate);
  EXPECT_EQ(estimate_keys(m),
            (std::vector<std::string>{"mean-y0", "beta-y", "mean-x0", "mean-sx", "beta-x",
                                      "coupling-y-to-x", "var-y0", "var-x0", "var-sx", "cov-x0-sx",
                                      "cov-y0-x0", "cov-y0-sx"}));
  EXPECT_EQ(meanings(m, {"mean-y0", "coupling-y-to-x", "cov-y0-sx"}),
            "the mean of the initial level of y, the coupling from y to x and the covariance of "
            "the initial level of y and the slope of x");
  EXPECT_EQ(missing_estimates(m, typed({{"mean-y0", "1"}, {"beta-y", "0"}})),
            (std::vector<std::string>{"mean-x0", "mean-sx", "beta-x", "coupling-y-to-x"}));
}

// The figure: valid as SVG 1.1 elements go, its title names it, and no label is crossed by a
// line, for both models, explosive values and long counts included.
TEST(Dynamics, NoLabelOfTheFigureIsCrossed) {
  const Model uni, bi(ModelKind::Bivariate);
  const Estimates calm = typed({{"mean-y0", "10"},
                                {"mean-sy", "1"},
                                {"beta-y", "-0.2"},
                                {"mean-x0", "5"},
                                {"mean-sx", "1"},
                                {"beta-x", "-0.3"},
                                {"coupling-x-to-y", "0.1"},
                                {"coupling-y-to-x", "0.05"},
                                {"var-y0", "4"},
                                {"var-sy", "1"},
                                {"cov-y0-sy", "0.5"},
                                {"var-x0", "2"},
                                {"var-sx", "0.5"},
                                {"cov-x0-sx", "0.2"},
                                {"cov-y0-x0", "1"},
                                {"cov-y0-sx", "0.1"},
                                {"cov-sy-x0", "0.1"},
                                {"cov-sy-sx", "0.1"}});
  const Estimates wild = [&] {
    Estimates w = calm;
    EXPECT_EQ(set_estimate(&w, "beta-y", "0.9"), "");
    return w;
  }();
  // Levels that start at their equilibrium stay there: a range of nothing but rounding.
  const Estimates still = typed({{"mean-y0", "10"},
                                 {"mean-sy", "2"},
                                 {"beta-y", "-0.2"},
                                 {"mean-x0", "0"},
                                 {"mean-sx", "0"},
                                 {"beta-x", "-0.3"},
                                 {"coupling-x-to-y", "0"},
                                 {"coupling-y-to-x", "0"}});
  const std::regex path("<path class=\"[a-z -]+\" d=\"([^\"]+)\"");
  for (const Model* m : {&uni, &bi}) {
    for (const Estimates* e : {&calm, &wild, &still}) {
      for (int n : {2, 5, 40, 5000}) {
        SCOPED_TRACE(std::to_string(n));
        const std::string svg = dynamics_svg(*m, *e, trajectory(*m, *e, n));
        EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
        EXPECT_NE(svg.find("<title>Expected change of "), std::string::npos);
        EXPECT_EQ(svg.find("nan"), std::string::npos);
        EXPECT_EQ(svg.find("inf"), std::string::npos);
        std::vector<Box> labels;
        for (const Box& b : boxes(svg))
          if (b.what.find("class=\"label") != std::string::npos) labels.push_back(b);
        EXPECT_GT(labels.size(), 6u);
        for (const std::string& line : lines(svg)) {
          std::smatch d;
          if (!std::regex_search(line, d, path)) continue;
          for (const Segment& s : segments(d[1]))
            for (const Box& b : labels) EXPECT_FALSE(meets(s, b)) << b.what << "\n" << line;
        }
      }
    }
  }
}

}  // namespace
}  // namespace ldsgen::testing

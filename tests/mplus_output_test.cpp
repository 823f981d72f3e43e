#include "mplus_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "test_support.h"

namespace ldsgen::testing {
namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return s;
}

// One row as Mplus prints it: a name and four numbers, S.E. 0.000 and 999.000 for a fixed one.
std::string row(const std::string& name, double estimate, bool fixed = false) {
  char text[120];
  std::snprintf(text, sizeof text, "    %-8s  %10.3f %10.3f %10.3f %10.3f\n", upper(name).c_str(),
                estimate, fixed ? 0.0 : 0.05, fixed ? 999.0 : estimate / 0.05, fixed ? 999.0 : 0.0);
  return text;
}

std::string block(const std::string& of, const char* op) {
  char text[60];
  std::snprintf(text, sizeof text, "\n %-8s %s\n", upper(of).c_str(), op);
  return text;
}

// What Mplus prints of a script ldsgen wrote, fitted with these values: the MODEL RESULTS
// section in its layout, between other sections. The standardized section after it holds other
// values, so that reading it by mistake shows.
std::string output(const Model& m, const Estimates& e, int n, bool groups = false) {
  const bool bi = m.kind == ModelKind::Bivariate;
  std::string out =
      "Mplus VERSION 8.10\nMUTHEN & MUTHEN\n\nINPUT INSTRUCTIONS\n\n  TITLE: x\n\n"
      "THE MODEL ESTIMATION TERMINATED NORMALLY\n\n\n\nMODEL RESULTS\n\n"
      "                                                    Two-Tailed\n"
      "                    Estimate       S.E.  Est./S.E.    P-Value\n";
  if (groups) out += "\nGroup MALE\n";
  const std::string stems[2] = {m.y_name, m.x_name};
  for (int v = 0; v < (bi ? 2 : 1); ++v) {
    const std::string& s = stems[v];
    for (int i = 1; i <= n; ++i)
      out += block("l" + s + std::to_string(i), "BY") + row(s + std::to_string(i), 1, true);
    out += block(s + "0", "BY") + row("l" + s + "1", 1, true);
    if (m.slope(v == 1)) {
      out += block("s" + s, "BY");
      for (int i = 1; i < n; ++i) out += row("d" + s + std::to_string(i), 1, true);
    }
  }
  for (int v = 0; v < (bi ? 2 : 1); ++v) {
    const std::string& s = stems[v];
    for (int i = 1; i < n; ++i) {
      out += block("d" + s + std::to_string(i), "ON");
      if (m.proportional(v == 1)) out += row("l" + s + std::to_string(i), *e.beta[v]);
      if (m.coupled_into(v == 1))
        out += row("l" + stems[1 - v] + std::to_string(i), *e.coupling[v]);
    }
  }
  const char* factors[4] = {"0", "s", "0", "s"};
  auto name = [&](int f) {
    return f % 2 == 0 ? stems[f / 2] + factors[f] : factors[f] + stems[f / 2];
  };
  std::vector<int> present = {kY0};
  if (m.slope(false)) present.push_back(kSy);
  if (bi) present.push_back(kX0);
  if (bi && m.slope(true)) present.push_back(kSx);
  for (std::size_t a = 0; a < present.size(); ++a) {
    if (a + 1 == present.size()) break;
    out += block(name(present[a]), "WITH");
    for (std::size_t b = a + 1; b < present.size(); ++b)
      if (e.cov[present[a]][present[b]])
        out += row(name(present[b]), *e.cov[present[a]][present[b]]);
  }
  if (bi) out += block(stems[0] + "1", "WITH") + row(stems[1] + "1", 0.1);
  out += "\n Means\n";
  for (int f : present) out += row(name(f), *e.mean[f]);
  out += "\n Intercepts\n" + row(stems[0] + "1", 0, true) + row("d" + stems[0] + "1", 0, true);
  out += "\n Variances\n";
  for (int f : present)
    if (e.cov[f][f]) out += row(name(f), *e.cov[f][f]);
  out += "\n Residual Variances\n" + row(stems[0] + "1", 0.5) + row("l" + stems[0] + "1", 0, true);
  out += "\n New/Additional Parameters\n" + row("extra", 7.5);
  out += "\n\nSTANDARDIZED MODEL RESULTS\n\n\nSTDYX Standardization\n\n Means\n" +
         row(name(kY0), 4.321) + "\n Variances\n" + row(name(kY0), 1) +
         block("d" + stems[0] + "1", "ON") + row("l" + stems[0] + "1", -0.987) +
         "\n\nQUALITY OF NUMERICAL RESULTS\n\n"
         "TECHNICAL 4 OUTPUT\n\n     ESTIMATES DERIVED FROM THE MODEL\n\n Means\n" +
         row(name(kY0), 99);
  return out;
}

// Values unlike each other, so that any read from the wrong row shows.
Estimates values() {
  Estimates e;
  const double means[4] = {10.25, 2.125, 5.375, 1.75};
  for (int f = 0; f < 4; ++f) e.mean[f] = means[f];
  e.beta = {-0.215, -0.335};
  e.coupling = {0.115, 0.055};
  const double cov[4][4] = {{4.5, 0.65, 1.25, 0.35},
                            {0.65, 1.125, 0.45, 0.15},
                            {1.25, 0.45, 2.75, 0.25},
                            {0.35, 0.15, 0.25, 0.875}};
  for (int f = 0; f < 4; ++f)
    for (int g = 0; g < 4; ++g) e.cov[f][g] = cov[f][g];
  return e;
}

// Every variant's output gives back the model, the count and every value it holds.
TEST(MplusOutput, ReadsTheModelAndItsValuesFromModelResults) {
  std::vector<Model> models;
  for (const char* change : {"dual", "proportional", "constant", "none"}) {
    models.push_back(with_options({{"change", change}}));
    for (const char* coupling : {"both", "y-to-x", "x-to-y", "none"})
      models.push_back(
          with_options({{"y-change", change}, {"x-change", "dual"}, {"coupling", coupling}},
                       ModelKind::Bivariate));
  }
  models.push_back(with_options({{"y-name", "anx"}, {"x-name", "sleep"}}, ModelKind::Bivariate));
  for (const Model& m : models) {
    SCOPED_TRACE(m.y_name + " " + std::to_string(static_cast<int>(m.y_change)) + " " +
                 std::to_string(static_cast<int>(m.coupling)) + " " +
                 std::to_string(static_cast<int>(m.kind)));
    const MplusResults r = read_mplus_output(output(m, values(), 12));
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.occasions, 12);
    EXPECT_EQ(r.model.kind, m.kind);
    EXPECT_EQ(r.model.y_name, m.y_name);
    EXPECT_EQ(r.model.y_change, m.y_change);
    if (m.kind == ModelKind::Bivariate) {
      EXPECT_EQ(r.model.x_name, m.x_name);
      EXPECT_EQ(r.model.x_change, m.x_change);
      EXPECT_EQ(r.model.coupling, m.coupling);
    }
    EXPECT_EQ(r.read, estimate_keys(m));
    for (const std::string& key : estimate_keys(m))
      EXPECT_EQ(estimate(r.values, key), estimate(values(), key)) << key;
  }
}

TEST(MplusOutput, RefusesWhatIsNotOneModelsWholeResults) {
  const Model m;
  const std::string whole = output(m, values(), 4);
  const struct {
    std::string what, text, error;
  } cases[] = {
      {"cut short", whole.substr(0, whole.find(" Variances")),
       "it ends inside its MODEL RESULTS section: the output is cut short"},
      {"two groups", output(m, values(), 4, true),
       "its results have several groups or classes (Group MALE ...): the dynamics are of one "
       "model"},
      {"no results", "Mplus VERSION 8.10\n*** ERROR in MODEL command\n",
       "it has no MODEL RESULTS section: Mplus gives one when the model is estimated"},
      {"another model",
       "MODEL RESULTS\n\n F        BY\n    A1        1.000 0.000 999.000 999.000\n"
       "\n Means\n    F         0.500 0.1 5.0 0.0\nEND\n",
       "its results are not of a latent difference score model ldsgen wrote: no initial level's "
       "mean is among them"},
      {"no levels", "MODEL RESULTS\n\n Means\n    Y0        0.500 0.1 5.0 0.0\nEND\n",
       "its results have no latent levels ly1, ly2 ...: it is not the output of a script ldsgen "
       "wrote"},
  };
  for (const auto& c : cases) EXPECT_EQ(read_mplus_output(c.text).error, c.error) << c.what;
}

// An output read in blocks of any size, line ends CR LF or not, reads the same.
TEST(MplusOutput, ReadsInBlocks) {
  const Model m = with_options({{"coupling", "y-to-x"}}, ModelKind::Bivariate);
  std::string text = output(m, values(), 6);
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (std::size_t size : {1u, 7u, 4096u}) {
    OutputReader reader;
    for (std::size_t at = 0; at < crlf.size(); at += size)
      reader.text(std::string_view(crlf).substr(at, size));
    const MplusResults r = reader.end();
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.read, estimate_keys(m));
    EXPECT_EQ(r.values.coupling[1], 0.055);
  }
}

// The output the console and page tests open, kept equal to the one made here.
// The outputs the console and page tests open, kept equal to those made here.
TEST(MplusOutput, TheTestsOutputFilesAreCurrent) {
  for (const auto& [name, m] :
       {std::pair{"univariate_5.out", Model()}, {"bivariate_5.out", Model(ModelKind::Bivariate)}}) {
    const std::string text = output(m, values(), 5);
    if (std::getenv("LDSGEN_WRITE_GOLDEN"))
      std::ofstream(std::string(LDSGEN_GOLDEN_DIR) + "/" + name, std::ios::binary) << text;
    EXPECT_EQ(golden(name), text);
  }
}

}  // namespace
}  // namespace ldsgen::testing

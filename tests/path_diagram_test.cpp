#include "path_diagram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "model.h"
#include "script.h"
#include "test_support.h"

namespace ldsgen::testing {
namespace {

std::string script(int model, int n) {
  return run("s " + std::to_string(model) + " d " + std::to_string(n)).script;
}

std::string script_of(const Model& model, int n) {
  StringSink sink;
  ScriptWriter w(sink);
  write_script(w, model, "d.dat", n);
  w.flush();
  return sink.str();
}

// Every variant: each change kind of y (and of x in the bivariate model), each coupling, with
// one-letter stems and longer ones.
std::vector<Model> variants() {
  std::vector<Model> all;
  const Change kinds[] = {Change::Dual, Change::Proportional, Change::Constant, Change::None};
  for (Change y : kinds) {
    Model u;
    u.y_change = y;
    all.push_back(u);
    for (Change x : kinds) {
      for (Coupling c : {Coupling::Both, Coupling::YToX, Coupling::XToY, Coupling::None}) {
        Model m(ModelKind::Bivariate);
        m.y_change = y;
        m.x_change = x;
        m.coupling = c;
        all.push_back(m);
      }
    }
  }
  Model named(ModelKind::Bivariate);
  named.y_name = "anxiet";
  named.x_name = "dep";
  all.push_back(named);
  named.kind = ModelKind::Univariate;
  all.push_back(named);
  return all;
}

std::string describe(const Model& m) {
  return std::to_string(static_cast<int>(m.kind)) + " y" +
         std::to_string(static_cast<int>(m.y_change)) + " x" +
         std::to_string(static_cast<int>(m.x_change)) + " c" +
         std::to_string(static_cast<int>(m.coupling)) + " " + m.y_name + "/" + m.x_name;
}

int count(const std::string& svg, const std::string& what) {
  int k = 0;
  for (std::size_t at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) ++k;
  return k;
}

// A long data path is broken over lines; a line of it that looks like a command is still part
// of the path.
TEST(PathDiagram, TextInAQuotedPathIsNotACommand) {
  const std::string path = "\"/" + std::string(70, 'a') + "/model: y1 with y3;/d.dat\"";
  const std::string broken = run("s 0 " + path + " 3").script;
  ASSERT_NE(broken.find("\nmodel: y1 with y3"), std::string::npos) << broken;
  EXPECT_EQ(path_diagram(broken), path_diagram(script(0, 3)));
}

TEST(PathDiagram, MatchesTheReviewedGoldens) {
  for (int model : {0, 1}) {
    for (int n : {3, 8}) {
      const std::string name =
          std::string(model ? "bivariate" : "univariate") + "_" + std::to_string(n) + ".svg";
      SCOPED_TRACE(name);
      std::vector<std::string> unknown;
      EXPECT_EQ(path_diagram(script(model, n), &unknown), golden(name));
      EXPECT_TRUE(unknown.empty());
    }
  }
  Model constant;
  constant.y_change = Change::Constant;
  EXPECT_EQ(path_diagram(script_of(constant, 5)), golden("univariate_constant_5.svg"));
  Model one_way(ModelKind::Bivariate);
  one_way.coupling = Coupling::YToX;
  EXPECT_EQ(path_diagram(script_of(one_way, 5)), golden("bivariate_y-to-x_5.svg"));
}

// Squares, circles, arrows and labels are what the script declares for the occasions drawn:
// all of them up to 6, else 1, 2, 3, N-1 and N.
TEST(PathDiagram, DrawsWhatTheScriptDeclares) {
  for (int model : {0, 1}) {
    for (int n : {2, 3, 4, 5, 6, 7, 8, 50, 3000}) {
      SCOPED_TRACE(std::to_string(model) + " " + std::to_string(n));
      const std::string svg = path_diagram(script(model, n));
      const int vars = model + 1;
      const int o = n <= 6 ? n : 5;      // observed variables and levels drawn
      const int d = n <= 6 ? n - 1 : 3;  // difference scores drawn, and each path between steps
      EXPECT_EQ(count(svg, "class=\"observed\""), vars * o);
      EXPECT_EQ(count(svg, "class=\"latent\""), vars * (o + d + 2));
      EXPECT_EQ(count(svg, "class=\"one-headed"), vars * (o + 4 * d + 3) + model * 2 * d);
      // The variances, the residual covariances, and the covariances of the initial levels and
      // slopes that Mplus frees by default: 1 in the univariate model, 6 in the bivariate.
      const int assumed = model ? 6 : 1;
      EXPECT_EQ(count(svg, "class=\"two-headed"), vars * (o + 2) + model * o + assumed);
      EXPECT_EQ(count(svg, "class=\"label fixed\""), vars * (o + 3 * d + 1));
      EXPECT_EQ(count(svg, "class=\"label free\""),
                vars * (d + o + 4) + model * (2 * d + o) + assumed);
      EXPECT_EQ(count(svg, "not drawn; their paths repeat"), n > 6 ? 1 : 0);
    }
  }
}

TEST(PathDiagram, NoNodeOrLabelOverlapsAnother) {
  for (const Model& m : variants()) {
    for (int n : {2, 3, 4, 5, 6, 7, 8, 50}) {
      SCOPED_TRACE(describe(m) + " " + std::to_string(n));
      const std::vector<Box> all = boxes(path_diagram(script_of(m, n)));
      ASSERT_GT(all.size(), 10u);
      for (std::size_t i = 0; i < all.size(); ++i) {
        for (std::size_t j = i + 1; j < all.size(); ++j) {
          const Box &a = all[i], &b = all[j];
          const bool apart =
              a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
          EXPECT_TRUE(apart) << a.what << "\n" << b.what;
        }
      }
    }
  }
}

TEST(PathDiagram, NoLabelIsCrossedByAPath) {
  const std::regex path("<path class=\"[a-z -]+\" d=\"([^\"]+)\"");
  for (const Model& m : variants()) {
    for (int n : {2, 3, 5, 8}) {
      SCOPED_TRACE(describe(m) + " " + std::to_string(n));
      const std::string svg = path_diagram(script_of(m, n));
      std::vector<Box> labels;
      for (const Box& b : boxes(svg))
        if (b.what.find("class=\"label") != std::string::npos) labels.push_back(b);
      for (const std::string& line : lines(svg)) {
        std::smatch d;
        if (!std::regex_search(line, d, path)) continue;
        for (const Segment& s : segments(d[1]))
          for (const Box& b : labels) EXPECT_FALSE(meets(s, b)) << b.what << "\n" << line;
      }
    }
  }
}

// Whether two segments cross (touching ends do not count).
bool cross(const Segment& a, const Segment& b) {
  auto side = [](const Segment& s, double x, double y) {
    return (s.x2 - s.x1) * (y - s.y1) - (s.y2 - s.y1) * (x - s.x1);
  };
  return side(a, b.x1, b.y1) * side(a, b.x2, b.y2) < 0 &&
         side(b, a.x1, a.y1) * side(b, a.x2, a.y2) < 0;
}

// A coupling runs from one variable's level to the other's difference score, which lies beyond
// that variable's chain of levels: it crosses that chain once, and no other level path.
TEST(PathDiagram, ACouplingCrossesOneLevelPath) {
  const std::regex path("<path class=\"one-headed ([a-z]+)\" d=\"([^\"]+)\"");
  int seen = 0;
  for (const Model& m : variants()) {
    if (m.kind != ModelKind::Bivariate) continue;
    for (int n : {2, 5, 8}) {
      SCOPED_TRACE(describe(m) + " " + std::to_string(n));
      std::vector<std::vector<Segment>> couplings;
      std::vector<Segment> levels;  // autoregressions and the paths into and out of differences
      for (const std::string& line : lines(path_diagram(script_of(m, n)))) {
        std::smatch d;
        if (!std::regex_search(line, d, path)) continue;
        if (d[1] == "coupling") couplings.push_back(segments(d[2]));
        if (d[1] == "regression") {
          for (const Segment& s : segments(d[2])) levels.push_back(s);
        }
      }
      for (const auto& coupling : couplings) {
        int crossed = 0;
        for (const Segment& level : levels)
          crossed += std::any_of(coupling.begin(), coupling.end(),
                                 [&](const Segment& c) { return cross(c, level); });
        EXPECT_EQ(crossed, 1);
        ++seen;
      }
    }
  }
  EXPECT_GT(seen, 500);
}

// Arrows of each kind: one for every statement the script makes of that kind (a statement of a
// list of names makes one for each), none for what it fixes at 0, and the covariances of the
// initial levels and slopes that Mplus frees unless the script says otherwise.
TEST(PathDiagram, DrawsAnArrowForEveryStatementOfEveryVariant) {
  for (const Model& m : variants()) {
    SCOPED_TRACE(describe(m));
    const std::string text = script_of(m, 5);
    int one = 0, two = 0;
    std::string model = text.substr(text.find("MODEL:") + 6);
    model = model.substr(0, model.find("OUTPUT:"));
    model = std::regex_replace(model, std::regex("![^\n]*"), "");
    std::istringstream statements(model);
    for (std::string st; std::getline(statements, st, ';');) {
      std::istringstream words(st);
      std::vector<std::string> w;
      for (std::string word; words >> word;) w.push_back(word);
      if (w.empty() || st.find("@0") != std::string::npos) continue;
      if (st.find(" by ") != std::string::npos || st.find(" on ") != std::string::npos) {
        ++one;
      } else if (st.find(" with ") != std::string::npos) {
        ++two;
      } else if (w[0][0] == '[') {
        one += static_cast<int>(w.size());  // means: from the constant
      } else {
        two += static_cast<int>(std::count(st.begin(), st.end(), '*') > 0 ? 1 : w.size());
      }
    }
    const int factors = 1 + m.slope(false) + (m.kind == ModelKind::Bivariate) * (1 + m.slope(true));
    const std::string svg = path_diagram(text);
    EXPECT_EQ(count(svg, "class=\"one-headed"), one);
    EXPECT_EQ(count(svg, "class=\"two-headed"), two + factors * (factors - 1) / 2);
    EXPECT_EQ(count(svg, "free by default"), factors * (factors - 1) / 2);
  }
}

TEST(PathDiagram, TheLegendIsOptional) {
  const std::string script = script_of(ModelKind::Bivariate, 4);
  const std::string with = path_diagram(script), without = path_diagram(script, nullptr, false);
  EXPECT_GT(count(with, "class=\"legend\""), 10);
  EXPECT_EQ(count(without, "class=\"legend\""), 0);
  EXPECT_EQ(count(without, "class=\"label"), count(with, "class=\"label"));
}

TEST(PathDiagram, AnEditedScriptDrawsTheSameDiagram) {
  std::string edited = script(1, 4);
  auto replace_all = [&](const std::string& from, const std::string& to) {
    for (std::size_t at = edited.find(from); at != std::string::npos;
         at = edited.find(from, at + to.size()))
      edited.replace(at, from.size(), to);
  };
  replace_all("Edit the analysis title here", "Reading and vocabulary, grades 1 to 4");
  replace_all("* (1)", "*-0.2 (1)");
  replace_all("*(3)", "*0.05 (3)");
  replace_all("y2* (5)", "y2*0.5 (5)");
  replace_all("sy by dy2 @1;", "sy by\n  dy2 @1;");  // a statement may run over lines
  replace_all("\n", "\r\n");
  std::vector<std::string> unknown;
  EXPECT_EQ(path_diagram(edited, &unknown), path_diagram(script(1, 4)));
  EXPECT_TRUE(unknown.empty());
}

TEST(PathDiagram, ReportsStatementsItDoesNotKnow) {
  std::string text = script(0, 3);
  text.insert(text.find("OUTPUT:"), "i s | y1@0 y2@1 y3@2;\nf BY y1-y3;\nly1 on ly2 on ly3;\n");
  std::vector<std::string> unknown;
  const std::string svg = path_diagram(text, &unknown);
  EXPECT_EQ(unknown,
            (std::vector<std::string>{"i s | y1@0 y2@1 y3@2", "f BY y1-y3", "ly1 on ly2 on ly3"}));
  EXPECT_EQ(svg, path_diagram(script(0, 3)));
}

// Paths a user adds by hand are drawn and named by what they are, not by the models' meanings.
TEST(PathDiagram, NamesAddedPathsByTheirKind) {
  std::string text = script(0, 3);
  text.insert(text.find("OUTPUT:"),
              "sy on y0;\nly2 by y1*;\ny0 with sy (8);\nly1*;\n[ly1];\ndy1 on ly1@0;\n"
              "y0 with ly1 (a<b&c>\"d);\n");
  std::vector<std::string> unknown;
  const std::string svg = path_diagram(text, &unknown);
  EXPECT_TRUE(unknown.empty());
  for (const char* legend : {">b: regression<", ">λ: loading<", ">v: variance<", ">m: mean<",
                             ">φy0,sy (8): covariance of the initial level and the slope of y<"}) {
    EXPECT_NE(svg.find(legend), std::string::npos) << legend;
  }
  // A stated covariance of the initial level and the slope replaces the one Mplus would free.
  EXPECT_EQ(count(svg, "free by default"), 0);
  // A path fixed at 0 is no path: nothing more is drawn for it.
  EXPECT_EQ(count(svg, "βy (1)"), count(path_diagram(script(0, 3)), "βy (1)"));
}

}  // namespace
}  // namespace ldsgen::testing

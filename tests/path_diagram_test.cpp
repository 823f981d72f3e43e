#include "path_diagram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "test_support.h"

namespace ldsgen::testing {
namespace {

std::string script(int model, int n) {
  return run("s " + std::to_string(model) + " d " + std::to_string(n)).script;
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
      EXPECT_EQ(count(svg, "class=\"two-headed"), vars * (o + 2) + model * o);
      EXPECT_EQ(count(svg, "class=\"label fixed\""), vars * (o + 3 * d + 1));
      EXPECT_EQ(count(svg, "class=\"label free\""), vars * (d + o + 4) + model * (2 * d + o));
      EXPECT_EQ(count(svg, "not drawn; their paths repeat"), n > 6 ? 1 : 0);
    }
  }
}

struct Box {
  double left, top, right, bottom;
  std::string what;
};

// Boxes of nodes and of every text but a node's own name, which stands inside its node.
std::vector<Box> boxes(const std::string& svg) {
  std::vector<Box> out;
  const std::regex rect(
      "<rect class=\"observed\" x=\"([-.0-9]+)\" y=\"([-.0-9]+)\" width=\"([.0-9]+)\"");
  const std::regex circle(
      "<circle class=\"latent\" cx=\"([-.0-9]+)\" cy=\"([-.0-9]+)\" r=\"([.0-9]+)\"");
  const std::regex text(
      "<text class=\"(label [a-z]+|ellipsis)\" x=\"([-.0-9]+)\" y=\"([-.0-9]+)\" "
      "text-anchor=\"([a-z]+)\">([^<]*)</text>");
  for (const std::string& line : lines(svg)) {
    std::smatch m;
    if (std::regex_search(line, m, rect)) {
      const double x = std::stod(m[1]), y = std::stod(m[2]), s = std::stod(m[3]);
      out.push_back({x, y, x + s, y + s, line});
    } else if (std::regex_search(line, m, circle)) {
      const double x = std::stod(m[1]), y = std::stod(m[2]), r = std::stod(m[3]);
      out.push_back({x - r, y - r, x + r, y + r, line});
    } else if (std::regex_search(line, m, text)) {
      const std::string s = m[5];
      const double width = 7.2 * static_cast<double>(std::count_if(s.begin(), s.end(), [](char c) {
                             return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                           }));
      double x = std::stod(m[2]);
      const double y = std::stod(m[3]);
      if (m[4] == "middle") x -= width / 2;
      if (m[4] == "end") x -= width;
      out.push_back({x, y - 9, x + width, y + 3, line});
    }
  }
  return out;
}

TEST(PathDiagram, NoNodeOrLabelOverlapsAnother) {
  for (int model : {0, 1}) {
    for (int n : {2, 3, 4, 5, 6, 7, 8, 50}) {
      SCOPED_TRACE(std::to_string(model) + " " + std::to_string(n));
      const std::vector<Box> all = boxes(path_diagram(script(model, n)));
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
  for (const char* legend :
       {">b: regression<", ">λ: loading<", ">c (8): covariance<", ">v: variance<", ">m: mean<"}) {
    EXPECT_NE(svg.find(legend), std::string::npos) << legend;
  }
  // A path fixed at 0 is no path: nothing more is drawn for it.
  EXPECT_EQ(count(svg, "βy (1)"), count(path_diagram(script(0, 3)), "βy (1)"));
}

}  // namespace
}  // namespace ldsgen::testing

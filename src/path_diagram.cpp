#include "path_diagram.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "lines.h"
#include "svg.h"

namespace ldsgen {

namespace {

using Node = DiagramReader::Node;
using Param = DiagramReader::Param;
using Path = DiagramReader::Path;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

char lower(char c) {
  return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
}

bool equal_nocase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == y; });
}

// Names are made of the variables' stems, as the script's VARIABLE section lists them: y1, ly1,
// dy1, y0 and sy, and the same for x. A script of a million occasions has tens of millions of
// names, so nothing here allocates.
bool occasion_of(std::string_view digits, std::int64_t* occasion) {
  if (digits.empty() || digits.size() > 18) return false;
  *occasion = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    *occasion = *occasion * 10 + (c - '0');
  }
  return true;
}

bool parse_name(std::string_view s, const Stems& stems, Node* node) {
  for (char var : {'y', 'x'}) {
    const std::string& stem = stems[var == 'x'];
    if (stem.empty()) continue;
    if (s.size() == stem.size() + 1 && lower(s[0]) == 's' && equal_nocase(s.substr(1), stem)) {
      *node = {'s', var, 0};
      return true;
    }
    std::int64_t occasion = 0;
    for (char role : {'l', 'd'}) {
      if (s.size() > stem.size() + 1 && lower(s[0]) == role &&
          equal_nocase(s.substr(1, stem.size()), stem) &&
          occasion_of(s.substr(1 + stem.size()), &occasion) && occasion > 0) {
        *node = {role, var, occasion};
        return true;
      }
    }
    if (s.size() > stem.size() && equal_nocase(s.substr(0, stem.size()), stem) &&
        occasion_of(s.substr(stem.size()), &occasion)) {
      *node = {occasion == 0 ? 'i' : 'o', var, occasion};
      return true;
    }
  }
  return false;
}

// Words and the marks [ ] @ * ( ), as views into the statement.
void tokens(std::string_view text, std::vector<std::string_view>* out) {
  out->clear();
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    const bool mark = c == '[' || c == ']' || c == '@' || c == '*' || c == '(' || c == ')';
    if (c == ' ' || c == '\t' || c == '\r' || mark) {
      if (i > begin) out->push_back(text.substr(begin, i - begin));
      if (mark) out->push_back(text.substr(i, 1));
      begin = i + 1;
    }
  }
}

// A number as Mplus writes one: an optional sign, digits, at most one decimal point.
bool is_number(std::string_view s) {
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  bool digits = false, point = false;
  for (char c : s) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
    } else {
      return false;
    }
  }
  return digits;
}

// Parses a statement's words: names, then an optional keyword and names, then an optional
// parameter. Returns false for anything else.
bool parse_statement(const std::vector<std::string_view>& t, const Stems& stems,
                     std::vector<Node>* nodes, std::vector<Path>* paths) {
  std::size_t at = 0;
  const bool mean = !t.empty() && t[0] == "[";
  if (mean) ++at;
  nodes->clear();
  // The names of one side, as a range of `nodes`.
  auto names = [&](std::size_t* first, std::size_t* end) {
    Node node{};
    *first = nodes->size();
    for (; at < t.size() && parse_name(t[at], stems, &node); ++at) nodes->push_back(node);
    *end = nodes->size();
    return *end > *first;
  };
  std::size_t left_first, left_end, right_first = 0, right_end = 0;
  if (!names(&left_first, &left_end)) return false;
  char keyword = 0;
  if (!mean && at < t.size()) {
    if (equal_nocase(t[at], "by")) keyword = 'b';
    if (equal_nocase(t[at], "on")) keyword = 'o';
    if (equal_nocase(t[at], "with")) keyword = 'w';
  }
  if (keyword && (++at, !names(&right_first, &right_end))) return false;
  Param param;
  if (at < t.size() && t[at] == "@") {
    if (++at >= t.size() || !is_number(t[at])) return false;
    param.fixed = true;
    param.value = t[at++];
  } else if (at < t.size() && t[at] == "*") {
    ++at;
    if (at < t.size() && is_number(t[at])) ++at;  // a starting value: the diagram is the same
  }
  if (at < t.size() && t[at] == "(") {
    if (at + 2 >= t.size() || t[at + 2] != ")") return false;
    param.label = t[at + 1];
    at += 3;
  }
  if (mean && (at >= t.size() || t[at++] != "]")) return false;
  if (at != t.size()) return false;
  for (std::size_t i = left_first; i < left_end; ++i) {
    const Node& l = (*nodes)[i];
    if (!keyword) {
      paths->push_back({mean ? Path::kMean : Path::kVariance, l, l, param});
      continue;
    }
    for (std::size_t j = right_first; j < right_end; ++j) {
      const Node& r = (*nodes)[j];
      if (keyword == 'b') paths->push_back({Path::kLoading, l, r, param});
      if (keyword == 'o') paths->push_back({Path::kRegression, r, l, param});
      if (keyword == 'w') paths->push_back({Path::kCovariance, l, r, param});
    }
  }
  return true;
}

bool is_command(std::string_view head) {
  static const char* const kCommands[] = {"title", "data",   "variable", "define", "analysis",
                                          "model", "output", "savedata", "plot",   "montecarlo"};
  const std::string h = lower(trim(head));
  const std::string first = h.substr(0, h.find(' '));
  return std::any_of(std::begin(kCommands), std::end(kCommands),
                     [&](const char* c) { return first == c; });
}

}  // namespace

void DiagramReader::line(std::string_view text) {
  text = text.substr(0, text.find('!'));  // a comment runs to the end of the line
  // A quoted name (a long data path) may go on over lines, and nothing in it is a command.
  if (in_quote_) {
    const std::size_t quote = text.find('"');
    if (quote == std::string_view::npos) return;
    in_quote_ = false;
    text.remove_prefix(quote + 1);
  }
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos && is_command(text.substr(0, colon))) {
    if (!trim(pending_).empty()) statement(pending_);
    pending_.clear();
    const std::string command = lower(trim(text.substr(0, colon)));
    in_model_ = command == "model";
    in_variable_ = command.rfind("variable", 0) == 0;
    list_ = List::kNone;
    text.remove_prefix(colon + 1);
  }
  if (in_variable_) read_lists(text);
  if (!in_model_) {
    in_quote_ = std::count(text.begin(), text.end(), '"') % 2 == 1;
    return;
  }
  for (std::size_t semicolon; (semicolon = text.find(';')) != std::string_view::npos;) {
    if (pending_.empty()) {
      statement(text.substr(0, semicolon));
    } else {  // a statement that began on an earlier line
      pending_.append(text.substr(0, semicolon));
      statement(pending_);
      pending_.clear();
    }
    text.remove_prefix(semicolon + 1);
  }
  if (!trim(text).empty()) (pending_ += ' ') += text;
}

// The stems of the names in the NAMES and USEVARIABLE lists: the first two, each once. A list
// that names only the model's variables (USEVARIABLE) says best which they are, so a later list
// replaces an earlier one.
void DiagramReader::read_lists(std::string_view text) {
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    if (c != ' ' && c != '\t' && c != '=' && c != ';' && c != '-' && c != '\r') continue;
    const std::string_view word = text.substr(begin, i - begin);
    begin = i + 1;
    if (!word.empty()) {
      const std::string w = lower(word);
      if (list_ == List::kNone && (w == "names" || w.rfind("usev", 0) == 0)) {
        list_ = List::kKeyword;
        listed_ = {"", ""};
      } else if (list_ == List::kKeyword && w == "are") {
        list_ = List::kNames;
      } else if (list_ != List::kNone) {
        list_ = List::kNames;
        std::size_t digits = w.size();
        while (digits > 0 && w[digits - 1] >= '0' && w[digits - 1] <= '9') --digits;
        const std::string stem = w.substr(0, digits);
        if (digits > 0 && digits < w.size() && stem != listed_[0] && listed_[1].empty()) {
          listed_[listed_[0].empty() ? 0 : 1] = stem;
        }
      }
    }
    if (c == ';' && list_ != List::kNone) {
      if (!listed_[0].empty()) stems_ = listed_;
      list_ = List::kNone;
    }
  }
}

void DiagramReader::text(std::string_view block) {
  split_lines(block, 1 << 20, &partial_, [this](std::string_view l) { line(l); });
}

void DiagramReader::end() {
  if (!partial_.empty()) line(partial_);
  partial_.clear();
  if (!trim(pending_).empty()) statement(pending_);
  pending_.clear();
}

void DiagramReader::statement(std::string_view text) {
  text = trim(text);
  if (text.empty()) return;
  tokens(text, &tokens_);
  parsed_.clear();
  if (!parse_statement(tokens_, stems_, &nodes_, &parsed_)) {
    if (unknown_.size() < 100) unknown_.emplace_back(text);
    return;
  }
  for (const Path& p : parsed_) keep(p);
}

// Up to 6 occasions all are drawn, else occasions 1 to 3 and the last two, so only paths among
// those are kept; as the last occasion is known only at the end, paths near the highest one so
// far are kept and dropped later.
void DiagramReader::keep(const Path& path) {
  last_ = std::max({last_, path.from.occasion, path.to.occasion});
  auto drawn = [&](const Path& p) {
    for (std::int64_t o : {p.from.occasion, p.to.occasion})
      if (last_ > 6 && o > 3 && o < last_ - 1) return false;
    return true;
  };
  if (!drawn(path)) return;
  paths_.push_back(path);
  if (paths_.size() % 1024 == 0)
    paths_.erase(
        std::remove_if(paths_.begin(), paths_.end(), [&](const Path& p) { return !drawn(p); }),
        paths_.end());
}

namespace {

// ---- Layout --------------------------------------------------------------------------------

constexpr double kSquare = 44, kRadius = 24;
// The drawing ends this far from the canvas's right and bottom edges.
constexpr double kMargin = 20;

// What a free parameter means, from the roles of the variables it joins.
struct Meaning {
  std::string symbol, text;
};

bool same(const Node& a, const Node& b) {
  return a.role == b.role && a.var == b.var && a.occasion == b.occasion;
}

bool is_factor(const Node& n) {
  return n.role == 'i' || n.role == 's';
}

// The covariance of two of the initial levels and slopes, named by their names: φy0,sy.
Meaning factor_covariance(const Node& a, const Node& b, const Stems& stems) {
  const std::string &u = stems[a.var == 'x'], &v = stems[b.var == 'x'];
  auto name = [&](const Node& n, const std::string& stem) {
    return n.role == 's' ? "s" + stem : stem + "0";
  };
  auto part = [](const Node& n) { return n.role == 's' ? "slope" : "initial level"; };
  std::string text;
  if (a.var == b.var) {
    text = "covariance of the initial level and the slope of " + u;
  } else if (a.role == b.role) {
    text = std::string("covariance of the ") + (a.role == 's' ? "slopes" : "initial levels") +
           " of " + u + " and " + v;
  } else {
    text = std::string("covariance of the ") + part(a) + " of " + u + " and the " + part(b) +
           " of " + v;
  }
  return {"φ" + name(a, u) + "," + name(b, v), text};
}

// Two stems side by side, as in γyx; with a comma where one is longer than a letter (γanx,dep).
std::string pair(const std::string& a, const std::string& b) {
  return a.size() == 1 && b.size() == 1 ? a + b : a + "," + b;
}

Meaning meaning(const Path& p, const Stems& stems) {
  const std::string &v = stems[p.to.var == 'x'], &w = stems[p.from.var == 'x'];
  switch (p.kind) {
    case Path::kRegression:
      if (p.to.role == 'd' && p.from.role == 'l')
        return v == w ? Meaning{"β" + v, "proportional change of " + v}
                      : Meaning{"γ" + pair(w, v), "coupling from " + w + " to " + v};
      return {"b", "regression"};
    case Path::kLoading:
      return {"λ", "loading"};
    case Path::kCovariance:
      if (p.from.role == 'o' && p.to.role == 'o')
        return {"σ" + pair(w, v), "residual covariance of " + w + " and " + v};
      if (is_factor(p.from) && is_factor(p.to)) {
        Meaning m = factor_covariance(p.from, p.to, stems);
        if (p.by_default) m.text += ", free by default in Mplus";
        return m;
      }
      return {"c", "covariance"};
    case Path::kVariance:
      if (p.to.role == 'o') return {"σ²" + v, "residual variance of " + v};
      if (p.to.role == 'i') return {"φ" + v + "0", "variance of the initial level of " + v};
      if (p.to.role == 's') return {"φs" + v, "variance of the slope of " + v};
      return {"v", "variance"};
    default:  // a mean
      if (p.to.role == 'i') return {"μ" + v + "0", "mean of the initial level of " + v};
      if (p.to.role == 's') return {"μs" + v, "mean of the slope of " + v};
      return {"m", "mean"};
  }
}

std::string node_name(const Node& n, const Stems& stems) {
  std::string s;
  if (n.role == 'l' || n.role == 'd' || n.role == 's') s += n.role;
  s += stems[n.var == 'x'];
  if (n.role != 's') s += std::to_string(n.occasion);
  return s;
}

// Text is about this wide a character, for keeping labels clear of paths and of the edge.
class Drawing {
 public:
  // The bivariate drawing leaves room on its left for the covariances of y's and x's factors
  // in gutters, and right of them for the initial levels' variances' labels.
  // Columns are wide enough for the widest label between two of them.
  Drawing(std::int64_t last, bool bivariate, double label_width, double arc_label, double between)
      : arc_label_(arc_label),
        column_width_(std::max(220.0, 2 * (between + 24))),
        last_(last),
        bivariate_(bivariate),
        left_(bivariate ? std::max(150.0, 125 + label_width) : 130) {
    for (std::int64_t i = 1; i <= last; ++i) {
      if (last > 6 && i == 4) {
        ellipsis_ = static_cast<double>(columns_++);
        i = last - 2;
        continue;
      }
      column_[i] = static_cast<double>(columns_++);
    }
  }

  bool visible(const Node& n) const {
    if (n.role == 'i' || n.role == 's') return true;
    if (n.role == 'd') {
      auto a = column_.find(n.occasion), b = column_.find(n.occasion + 1);
      return a != column_.end() && b != column_.end() && b->second == a->second + 1;
    }
    return column_.count(n.occasion) > 0;
  }

  // Rows from the top: the y block, then x's block mirrored below it.
  double row(char role, char var) const {
    const double y_rows[] = {120, 220, 320, 420};  // initial level and slope, difference, level
    int k = role == 'i' || role == 's' ? 0 : role == 'd' ? 1 : role == 'l' ? 2 : 3;
    return var == 'y' ? y_rows[k] : 980 - y_rows[k];
  }

  double x_of_column(double c) const { return left_ + c * column_width_; }
  double column_width() const { return column_width_; }

  Point at(const Node& n) const {
    double x;
    if (n.role == 'i') {
      x = x_of_column(0);
    } else if (n.role == 's') {
      x = slope_x();
    } else if (n.role == 'd') {
      x = x_of_column(column_.at(n.occasion) + 0.5);
    } else {
      x = x_of_column(column_.at(n.occasion));
    }
    return {x, row(n.role, n.var)};
  }

  // The slope stands above the middle of the difference scores it loads on.
  double slope_x() const {
    const double first = x_of_column(0.5);
    double last = first;
    for (const auto& [occasion, c] : column_)
      if (column_.count(occasion + 1) && column_.at(occasion + 1) == c + 1)
        last = x_of_column(c + 0.5);
    return std::max({(first + last) / 2, x_of_column(0) + 2.5 * kRadius + 40,
                     x_of_column(0) + 2 * kRadius + 1.9 * arc_label_ + 8});
  }

  Point triangle(char var) const {
    return {(x_of_column(0) + slope_x()) / 2, var == 'y' ? 40.0 : 940.0};
  }

  /// Right of every column, where a path can run from top to bottom.
  double right_gutter() const { return x_of_column(columns_ - 1) + 130; }
  double ellipsis() const { return ellipsis_; }
  std::int64_t last() const { return last_; }
  bool bivariate() const { return bivariate_; }

 private:
  double arc_label_;  // the width of the label between an initial level and its slope
  double column_width_;
  std::int64_t last_;
  bool bivariate_;
  double left_;
  std::map<std::int64_t, double> column_;
  double ellipsis_ = -1;
  int columns_ = 0;
};

// Where a line from `from` towards `to` leaves a node's border.
Point border(const Node& n, Point c, Point toward) {
  const double dx = toward.x - c.x, dy = toward.y - c.y, len = std::hypot(dx, dy);
  if (n.role == 'o') {
    const double t = (kSquare / 2) / std::max(std::fabs(dx), std::fabs(dy));
    return {c.x + dx * t, c.y + dy * t};
  }
  return {c.x + dx / len * kRadius, c.y + dy / len * kRadius};
}

// The label of a path: a fixed value as written, or the free parameter's name and label.
struct PathLabel {
  std::string text;
  const char* kind;
};

class Namer {
 public:
  explicit Namer(const Stems& stems) : stems_(stems) {}
  PathLabel label(const Path& p) {
    if (p.param.fixed) return {p.param.value, "fixed"};
    Meaning m = meaning(p, stems_);
    if (!p.param.label.empty()) {
      // Parameters held equal share one name: the first meaning seen with a label names it.
      auto [it, added] = by_label_.emplace(p.param.label, m);
      m = it->second;
      m.symbol += " (" + p.param.label + ")";
    }
    if (named_.insert(m.symbol).second) legend_.push_back(m);
    return {m.symbol, "free"};
  }
  /// Each name once, in the order the script first uses it.
  const std::vector<Meaning>& legend() const { return legend_; }

 private:
  const Stems& stems_;
  std::map<std::string, Meaning> by_label_;
  std::set<std::string> named_;
  std::vector<Meaning> legend_;
};

bool is_zero(const Param& p) {
  // A number is zero when none of its digits is other than 0 ("0", "-0.00").
  return p.fixed && p.value.find_first_of("123456789") == std::string::npos;
}

// A label beside the middle of a straight path, `side` pixels to its left (negative: right).
// The label is centred there, at least far enough out that no corner of its box reaches the path.
Point beside(Point a, Point b, double at, double side, const std::string& text) {
  const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  const double nx = -dy / len, ny = dx / len;  // the normal on the path's left
  const double reach = std::fabs(nx) * text_width(text) / 2 + std::fabs(ny) * 6 + 4;
  const double out = (side < 0 ? -1 : 1) * std::max(std::fabs(side), reach);
  return {a.x + dx * at + nx * out, a.y + dy * at + ny * out + kFont / 3};
}

void draw_path(const Drawing& g, const Path& p, Namer* namer, Svg* svg) {
  const PathLabel label = namer->label(p);
  const Point a = g.at(p.from), b = g.at(p.to);
  const bool observed = p.to.role == 'o';
  const double flip = p.to.var == 'y' ? 1 : -1;  // x's block is drawn upside down
  if (p.kind == Path::kVariance) {
    // A loop on the node: below an observed y of one variable, to the side otherwise.
    if (observed && !g.bivariate()) {
      const double y = b.y + kSquare / 2;
      svg->arrow("M " + number(b.x - 10) + " " + number(y) + " C " + number(b.x - 24) + " " +
                     number(y + 36) + " " + number(b.x + 24) + " " + number(y + 36) + " " +
                     number(b.x + 10) + " " + number(y),
                 true, "variance");
      svg->label({b.x, y + 50}, label.text, label.kind);
      return;
    }
    const double side = observed || p.to.role == 'i' ? -1 : 1;  // left, or right of a slope
    const double x = b.x + side * (observed ? kSquare / 2 : kRadius * 0.8);
    const double dy = observed ? 10 : kRadius * 0.6;
    svg->arrow("M " + number(x) + " " + number(b.y - dy) + " C " + number(x + side * 36) + " " +
                   number(b.y - dy - 16) + " " + number(x + side * 36) + " " +
                   number(b.y + dy + 16) + " " + number(x) + " " + number(b.y + dy),
               true, "variance");
    if (observed) {
      // Beside the square the label would meet the couplings; over (or under) the loop it won't.
      svg->label({b.x - 16, b.y + (p.to.var == 'y' ? -dy - 22 : dy + 22 + kFont)}, label.text,
                 label.kind, "end");
      return;
    }
    svg->label({x + side * 34 + (side < 0 ? -4 : 4), b.y + kFont / 3}, label.text, label.kind,
               side < 0 ? "end" : "start");
    return;
  }
  if (p.kind == Path::kMean) {
    const Point t = g.triangle(p.to.var);
    const Point from{t.x, t.y + flip * 10}, to = border(p.to, b, t);
    svg->arrow(line_d(from, to), false, "mean");
    svg->label(beside(from, to, 0.5, p.to.role == 'i' ? 12 * flip : -12 * flip, label.text),
               label.text, label.kind);
    return;
  }
  // Couplings cross to the other variable's block through the gap beside the levels: down (or
  // up) the gap's middle to the difference score, clear of every node on the way.
  if (p.kind == Path::kRegression && p.from.role == 'l' && p.to.role == 'd' &&
      p.from.var != p.to.var) {
    const double up = p.to.var == 'y' ? -1 : 1;  // x's level to y's difference goes up
    const double gx = b.x + (p.to.var == 'y' ? -12 : 12);
    const double gy = a.y + up * 60;
    const Point start = border(p.from, a, {gx, gy});
    const double end_y = b.y - up * std::sqrt(kRadius * kRadius - 144);
    svg->arrow("M " + number(start.x) + " " + number(start.y) + " L " + number(gx) + " " +
                   number(gy) + " L " + number(gx) + " " + number(end_y),
               false, "coupling");
    const double label_y = (g.row('o', 'y') + g.row('o', 'x')) / 2 + (p.to.var == 'y' ? -22 : 22);
    svg->label({gx + (p.to.var == 'y' ? -5 : 5), label_y + kFont / 3}, label.text, label.kind,
               p.to.var == 'y' ? "end" : "start");
    return;
  }
  const Point from = border(p.from, a, b), to = border(p.to, b, a);
  const bool two = p.kind == Path::kCovariance;
  svg->arrow(line_d(from, to), two, two ? "covariance" : "regression");
  // Labels sit on the side of a path where nothing else is drawn.
  double at = 0.5, side = 10;
  if (std::fabs(a.x - b.x) < 1) {  // vertical: loadings of observed variables, covariances
    side = two ? 0 : -10;
    if (two) {
      svg->label({b.x + 6, (a.y + b.y) / 2 + kFont / 3}, label.text, label.kind, "start");
      return;
    }
  } else if (std::fabs(a.y - b.y) < 1) {  // horizontal: autoregression
    side = -10 * flip;
  } else if (p.from.role == 's') {  // the slope's fan: near the difference score
    at = 0.75;
    side = (b.x < a.x ? -10 : 10) * flip;
  } else if (p.from.role == 'd') {  // difference score to the next level
    side = 10 * flip;
  } else {  // level to its difference score, the initial level to the first level
    side = 10 * flip;
    // Nearer the level, clear of a coupling that rises (or falls) beside the difference score.
    if (p.from.role == 'l' && g.bivariate()) at = 0.35;
  }
  svg->label(beside(from, to, at, side, label.text), label.text, label.kind);
}

// A point on a latent node's circle, `degrees` clockwise from the right (up is -90). The sine
// is summed from its series rather than taken from the math library, whose argument reduction
// alone is a tenth of the web page's core.
Point on_circle(Point c, double degrees) {
  auto sine = [](double d) {
    while (d > 180) d -= 360;
    while (d < -180) d += 360;
    const double x = d * 3.14159265358979 / 180;
    double term = x, sum = x;
    for (int k = 1; k < 12; ++k) sum += term *= -x * x / ((2 * k) * (2 * k + 1));
    return sum;
  };
  return {c.x + kRadius * sine(degrees + 90), c.y + kRadius * sine(degrees)};
}

// A path through the points with straight runs and rounded corners.
std::string rounded(const std::vector<Point>& p) {
  constexpr double kCorner = 12;
  std::string d = "M " + number(p[0].x) + " " + number(p[0].y);
  for (std::size_t k = 1; k + 1 < p.size(); ++k) {
    auto toward = [](Point a, Point b, double by) {
      const double len = std::hypot(b.x - a.x, b.y - a.y), t = std::min(by, len / 2) / len;
      return Point{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    };
    const Point in = toward(p[k], p[k - 1], kCorner), out = toward(p[k], p[k + 1], kCorner);
    d += " L " + number(in.x) + " " + number(in.y) + " Q " + number(p[k].x) + " " + number(p[k].y) +
         " " + number(out.x) + " " + number(out.y);
  }
  return d + " L " + number(p.back().x) + " " + number(p.back().y);
}

// The covariances Mplus frees by default among the initial levels and slopes, which the script
// does not state. Each has its own route round the model, so that none crosses a label: y0 with
// sy in a shallow arc between them (x0 with sx mirrored below); y0 with x0, y0 with sx and sy
// with x0 down gutters on the left, sy with sx down the right. Labels sit on their top runs.
void draw_factor_covariance(const Drawing& g, const Path& p, Namer* namer, Svg* svg) {
  const PathLabel label = namer->label(p);
  const Node &a = p.from.var == 'y' ? p.from : p.to, &b = p.from.var == 'y' ? p.to : p.from;
  const Point pa = g.at(a), pb = g.at(b);
  if (a.var == b.var) {
    const Point &level = a.role == 'i' ? pa : pb, &slope = a.role == 'i' ? pb : pa;
    const double f = a.var == 'y' ? 1 : -1;  // x's block is drawn upside down
    const Point from = on_circle(level, -5 * f), to = on_circle(slope, 180 + 5 * f);
    const double third = (to.x - from.x) / 3, rise = 28 * f;
    svg->arrow("M " + number(from.x) + " " + number(from.y) + " C " + number(from.x + third) + " " +
                   number(from.y - rise) + " " + number(to.x - third) + " " + number(to.y - rise) +
                   " " + number(to.x) + " " + number(to.y),
               true, "covariance");
    const double peak = from.y - 0.75 * rise;
    svg->label({(from.x + to.x) / 2, f > 0 ? peak + 16 : peak - 10}, label.text, label.kind);
    return;
  }
  // Out of a's top, along a top run, down a gutter, along a run below x's block into b.
  struct Route {
    double gutter, top, below, leave, enter;  // the angles a is left and b entered at
  };
  const Route r = a.role == 'i' && b.role == 'i' ? Route{55, 75, 45, -130, 130}
                  : a.role == 'i'                ? Route{35, 55, 100, -110, 110}  // y0, sx
                  : b.role == 'i'                ? Route{15, 12, 75, -110, 70}    // sy, x0
                                                 : Route{g.right_gutter(), 70, 50, -70, 70};
  const double low = g.row('i', 'x') + r.below, top = r.top;
  const Point start = on_circle(pa, r.leave), end = on_circle(pb, r.enter);
  const std::vector<Point> route = {start,           {start.x, top}, {r.gutter, top},
                                    {r.gutter, low}, {end.x, low},   end};
  svg->arrow(rounded(route), true, "covariance");
  // On the top run: above it, or below it where it runs along the top edge.
  const double x = (route[1].x + route[2].x) / 2;
  svg->label({x, top > 20 ? top - 5 : top + 11}, label.text, label.kind);
}

}  // namespace

std::string DiagramReader::svg(bool with_legend) const {
  bool bivariate = false;
  for (const Path& p : paths_) bivariate = bivariate || p.from.var == 'x' || p.to.var == 'x';
  // Room for the widest labels: an initial level's variance, the covariance of an initial level
  // and its slope, and a coupling's (or the residual covariance's) between two columns.
  const Drawing g(last_, bivariate,
                  std::max(text_width("φ" + stems_[0] + "0"), text_width("φ" + stems_[1] + "0")),
                  std::max(text_width("φ" + stems_[0] + "0,s" + stems_[0]),
                           text_width("φ" + stems_[1] + "0,s" + stems_[1])),
                  bivariate ? text_width("γ" + pair(stems_[0], stems_[1]) + " (3)") : 0);
  std::set<std::pair<char, std::pair<char, std::int64_t>>> seen;
  std::vector<Node> nodes;
  std::vector<const Path*> drawn;
  bool means[2] = {false, false};
  for (const Path& p : paths_) {
    if (!g.visible(p.from) || !g.visible(p.to) || is_zero(p.param)) continue;
    drawn.push_back(&p);
    if (p.kind == Path::kMean) means[p.to.var == 'x'] = true;
    for (const Node& n : {p.from, p.to})
      if (seen.insert({n.role, {n.var, n.occasion}}).second) nodes.push_back(n);
  }
  // Every variable the script names in a drawn occasion is a node, even one with no drawn path.
  for (const Path& p : paths_)
    for (const Node& n : {p.from, p.to})
      if (g.visible(n) && seen.insert({n.role, {n.var, n.occasion}}).second) nodes.push_back(n);

  // The initial levels and slopes covary unless the script says otherwise: Mplus frees their
  // covariances by default.
  std::vector<Path> assumed;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    for (std::size_t j = i + 1; j < nodes.size(); ++j) {
      const Node &a = nodes[i], &b = nodes[j];
      if (!is_factor(a) || !is_factor(b)) continue;
      const bool stated = std::any_of(paths_.begin(), paths_.end(), [&](const Path& p) {
        return p.kind == Path::kCovariance &&
               ((same(p.from, a) && same(p.to, b)) || (same(p.from, b) && same(p.to, a)));
      });
      // Named y's before x's, an initial level before a slope: φy0,sy.
      const bool swap = a.var != b.var ? a.var == 'x' : a.role == 's';
      if (!stated)
        assumed.push_back({Path::kCovariance, swap ? b : a, swap ? a : b, Param{}, true});
    }
  }
  // In a fixed order, the pair in one block first: y0 with sy, x0 with sx, then across.
  std::sort(assumed.begin(), assumed.end(), [](const Path& p, const Path& q) {
    auto rank = [](const Path& r) {
      return (r.from.var != r.to.var) * 10 + (r.from.var == 'x') * 4 + (r.from.role == 's') * 2 +
             (r.to.role == 's');
    };
    return rank(p) < rank(q);
  });
  for (const Path& p : assumed) drawn.push_back(&p);

  Svg svg;
  Namer namer(stems_);
  for (const Node& n : nodes) {
    const Point c = g.at(n);
    if (n.role == 'o') {
      svg.add("<rect class=\"observed\" x=\"" + number(c.x - kSquare / 2) + "\" y=\"" +
              number(c.y - kSquare / 2) + "\" width=\"" + number(kSquare) + "\" height=\"" +
              number(kSquare) + "\" fill=\"white\" stroke=\"black\"/>");
    } else {
      svg.add("<circle class=\"latent\" cx=\"" + number(c.x) + "\" cy=\"" + number(c.y) +
              "\" r=\"" + number(kRadius) + "\" fill=\"white\" stroke=\"black\"/>");
    }
    svg.add("<text class=\"name\" x=\"" + number(c.x) + "\" y=\"" + number(c.y + kFont / 3) +
            "\" text-anchor=\"middle\">" + escape(node_name(n, stems_)) + "</text>");
  }
  for (char var : {'y', 'x'}) {
    if (!means[var == 'x']) continue;
    const Point t = g.triangle(var);
    const double f = var == 'y' ? 1 : -1;
    svg.add("<path class=\"constant\" d=\"M " + number(t.x) + " " + number(t.y + f * 14) + " L " +
            number(t.x - 14) + " " + number(t.y - f * 10) + " L " + number(t.x + 14) + " " +
            number(t.y - f * 10) + " Z\" fill=\"white\" stroke=\"black\"/>");
    svg.add("<text class=\"name\" x=\"" + number(t.x) + "\" y=\"" + number(t.y - f * 1 + 4) +
            "\" text-anchor=\"middle\">1</text>");
  }
  for (const Path* p : drawn) {
    if (p->kind == Path::kCovariance && is_factor(p->from) && is_factor(p->to)) {
      draw_factor_covariance(g, *p, &namer, &svg);
    } else {
      draw_path(g, *p, &namer, &svg);
    }
  }

  // Hidden occasions: the chain of levels goes on through the ellipsis.
  std::vector<std::string> notes;
  if (g.ellipsis() >= 0) {
    const double ex = g.x_of_column(g.ellipsis());
    for (char var : bivariate ? std::string("yx") : std::string("y")) {
      for (char role : {'l', 'o'}) {
        svg.add("<text class=\"ellipsis\" x=\"" + number(ex) + "\" y=\"" +
                number(g.row(role, var) + kFont / 3) + "\" text-anchor=\"middle\">…</text>");
      }
      const double y = g.row('l', var);
      svg.add("<path class=\"elision\" d=\"" +
              line_d({ex - g.column_width() + kRadius, y}, {ex - 14, y}) + " " +
              line_d({ex + 14, y}, {ex + g.column_width() - kRadius, y}).replace(0, 1, "M") +
              "\" fill=\"none\" stroke=\"black\" stroke-dasharray=\"4 4\"/>");
    }
    notes.push_back("Occasions 4 to " + std::to_string(g.last() - 2) +
                    " are not drawn; their paths repeat those drawn.");
  }

  // The legend, if wanted, goes below the drawing; the canvas ends a margin past both.
  std::string legend;
  double y = svg.bottom() + 10, width = svg.right();
  auto legend_line = [&](const char* kind, const std::string& text) {
    legend += "  <text class=\"" + std::string(kind) + "\" x=\"20\" y=\"" + number(y += 18) +
              "\">" + escape(text) + "</text>\n";
    width = std::max(width, 20 + text_width(text));
  };
  if (with_legend) {
    for (const Meaning& m : namer.legend()) legend_line("legend", m.symbol + ": " + m.text);
    for (const std::string& note : notes) legend_line("note", note);
  }
  width += kMargin;
  const double height = (with_legend ? y + 6 : svg.bottom()) + kMargin;

  const std::string model = bivariate ? "bivariate" : "univariate";
  const std::string occasions = std::to_string(g.last());
  return svg_document(width, height,
                      "Path diagram of the " + model + " latent difference score model, " +
                          occasions + " occasions",
                      "Observed variables are squares, latent variables circles. One-headed "
                      "arrows are loadings and regressions, two-headed arrows variances and "
                      "covariances. Fixed values are printed; free parameters are named, with "
                      "their equality labels in parentheses.",
                      svg.body() + legend);
}

std::string path_diagram(std::string_view script, std::vector<std::string>* unknown, bool legend) {
  DiagramReader reader;
  reader.text(script);
  reader.end();
  if (unknown) unknown->insert(unknown->end(), reader.unknown().begin(), reader.unknown().end());
  return reader.svg(legend);
}

}  // namespace ldsgen

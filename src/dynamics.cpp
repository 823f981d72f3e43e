#include "dynamics.h"

#include <algorithm>
#include <cmath>

#include "numbers.h"
#include "svg.h"

namespace ldsgen {

namespace {

// A value's place in Estimates: a mean, a proportional change, a coupling or a covariance.
struct Key {
  const char* key;
  char kind;  // 'm' mean, 'b' beta, 'c' coupling, 'v' covariance
  int i, j;
};

// In the order a page shows them; couplings by the way they go: into y is from x.
constexpr Key kKeys[] = {
    {"mean-y0", 'm', kY0, 0},       {"mean-sy", 'm', kSy, 0},       {"beta-y", 'b', 0, 0},
    {"mean-x0", 'm', kX0, 0},       {"mean-sx", 'm', kSx, 0},       {"beta-x", 'b', 1, 0},
    {"coupling-y-to-x", 'c', 1, 0}, {"coupling-x-to-y", 'c', 0, 0}, {"var-y0", 'v', kY0, kY0},
    {"var-sy", 'v', kSy, kSy},      {"cov-y0-sy", 'v', kY0, kSy},   {"var-x0", 'v', kX0, kX0},
    {"var-sx", 'v', kSx, kSx},      {"cov-x0-sx", 'v', kX0, kSx},   {"cov-y0-x0", 'v', kY0, kX0},
    {"cov-y0-sx", 'v', kY0, kSx},   {"cov-sy-x0", 'v', kSy, kX0},   {"cov-sy-sx", 'v', kSy, kSx},
};

const Key* find_key(std::string_view key) {
  for (const Key& k : kKeys)
    if (key == k.key) return &k;
  return nullptr;
}

template <typename Values>
auto& slot(Values& e, const Key& k) {
  switch (k.kind) {
    case 'm':
      return e.mean[static_cast<std::size_t>(k.i)];
    case 'b':
      return e.beta[static_cast<std::size_t>(k.i)];
    case 'c':
      return e.coupling[static_cast<std::size_t>(k.i)];
    default:
      return e.cov[static_cast<std::size_t>(k.i)][static_cast<std::size_t>(k.j)];
  }
}

// Whether the model has this factor: an initial level always, a slope where the variable has one.
bool has_factor(const Model& m, int f) {
  const bool x = f >= kX0;
  if (x && m.kind == ModelKind::Univariate) return false;
  return f % 2 == 0 || m.slope(x);
}

bool has_key(const Model& m, const Key& k) {
  switch (k.kind) {
    case 'm':
      return has_factor(m, k.i);
    case 'b':
      return has_factor(m, 2 * k.i) && m.proportional(k.i == 1);
    case 'c':
      return m.coupled_into(k.i == 1);
    default:
      return has_factor(m, k.i) && has_factor(m, k.j);
  }
}

std::string factor_words(const Model& m, int f) {
  return std::string(f % 2 == 0 ? "the initial level of " : "the slope of ") +
         (f >= kX0 ? m.x_name : m.y_name);
}

// The factors' coefficients in one level: the level is their sum, so its mean and variance
// follow from theirs.
using Coefficients = std::array<double, 4>;

double mean_of(const Coefficients& a, const Estimates& e) {
  double sum = 0;
  for (std::size_t f = 0; f < 4; ++f)
    if (a[f] != 0) sum += a[f] * e.mean[f].value_or(0);
  return sum;
}

// The implied standard deviation, if every covariance it takes is known.
std::optional<double> sd_of(const Coefficients& a, const Estimates& e) {
  double sum = 0;
  for (std::size_t f = 0; f < 4; ++f) {
    for (std::size_t g = 0; g < 4; ++g) {
      if (a[f] == 0 || a[g] == 0) continue;
      if (!e.cov[f][g]) return std::nullopt;
      sum += a[f] * a[g] * *e.cov[f][g];
    }
  }
  return std::sqrt(std::max(sum, 0.0));
}

}  // namespace

std::vector<std::string> estimate_keys(const Model& model) {
  std::vector<std::string> keys;
  for (const Key& k : kKeys)
    if (has_key(model, k)) keys.emplace_back(k.key);
  return keys;
}

std::string estimate_meaning(const Model& m, std::string_view key) {
  const Key* k = find_key(key);
  if (!k) return "";
  switch (k->kind) {
    case 'm':
      return "the mean of " + factor_words(m, k->i);
    case 'b':
      return "the proportional change of " + (k->i == 1 ? m.x_name : m.y_name);
    case 'c':
      return k->i == 1 ? "the coupling from " + m.y_name + " to " + m.x_name
                       : "the coupling from " + m.x_name + " to " + m.y_name;
    default:
      return k->i == k->j
                 ? "the variance of " + factor_words(m, k->i)
                 : "the covariance of " + factor_words(m, k->i) + " and " + factor_words(m, k->j);
  }
}

std::string meanings(const Model& model, const std::vector<std::string>& keys) {
  std::vector<std::string> words;
  for (const std::string& key : keys) words.push_back(estimate_meaning(model, key));
  return in_words(words);
}

std::vector<std::pair<std::string, std::string>> starting_estimates(const Model& model) {
  // The labels: 1 and 2 the proportional changes of y and x, 3 the coupling from y to x, 4 the
  // one from x to y.
  const std::pair<int, const char*> labelled[] = {
      {1, "beta-y"}, {2, "beta-x"}, {3, "coupling-y-to-x"}, {4, "coupling-x-to-y"}};
  const std::vector<std::string> keys = estimate_keys(model);
  std::vector<std::pair<std::string, std::string>> values;
  for (const auto& [label, key] : labelled) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end() || model.start(label).empty())
      continue;
    values.emplace_back(key, std::string(model.start(label)));
  }
  return values;
}

std::string set_estimate(Estimates* e, std::string_view key, std::string_view value) {
  const Key* k = find_key(key);
  if (!k) return "no value '" + std::string(key) + "'";
  double v = 0;
  if (!read_number(value, &v) || value.size() > 40)
    return "the value '" + std::string(value) + "' of " + std::string(key) +
           " is not a number such as -0.25";
  if (k->kind == 'v') {
    e->cov[static_cast<std::size_t>(k->i)][static_cast<std::size_t>(k->j)] = v;
    e->cov[static_cast<std::size_t>(k->j)][static_cast<std::size_t>(k->i)] = v;
  } else {
    slot(*e, *k) = v;
  }
  return "";
}

std::optional<double> estimate(const Estimates& e, std::string_view key) {
  const Key* k = find_key(key);
  return k ? slot(e, *k) : std::nullopt;
}

std::vector<std::string> missing_estimates(const Model& model, const Estimates& e) {
  std::vector<std::string> missing;
  for (const Key& k : kKeys)
    if (k.kind != 'v' && has_key(model, k) && !slot(e, k)) missing.emplace_back(k.key);
  return missing;
}

std::string dynamics_count_problem(std::int64_t occasions) {
  if (occasions <= kMostDynamicsOccasions) return "";
  return "the expected levels are worked out for at most " +
         std::to_string(kMostDynamicsOccasions) + " occasions, not " + std::to_string(occasions);
}

Trajectory trajectory(const Model& m, const Estimates& e, std::int64_t occasions) {
  const bool bivariate = m.kind == ModelKind::Bivariate;
  const int variables = bivariate ? 2 : 1;
  // level t+1 = level t + slope + beta * level t + coupling * the other level t
  Coefficients a[2] = {{1, 0, 0, 0}, {0, 0, 1, 0}};
  double beta[2], coupling[2];
  for (int v = 0; v < 2; ++v) {
    beta[v] = m.proportional(v == 1) ? e.beta[static_cast<std::size_t>(v)].value_or(0) : 0;
    coupling[v] = m.coupled_into(v == 1) ? e.coupling[static_cast<std::size_t>(v)].value_or(0) : 0;
  }
  Trajectory t;
  bool bands[2] = {true, true};
  for (std::int64_t i = 1; i <= occasions; ++i) {
    for (int v = 0; v < variables; ++v) {
      const auto k = static_cast<std::size_t>(v);
      t.mean[k].push_back(mean_of(a[v], e));
      const std::optional<double> sd = bands[v] ? sd_of(a[v], e) : std::nullopt;
      bands[v] = sd.has_value();
      if (sd) t.sd[k].push_back(*sd);
    }
    Coefficients next[2];
    for (int v = 0; v < variables; ++v) {
      for (std::size_t f = 0; f < 4; ++f)
        next[v][f] = (1 + beta[v]) * a[v][f] + coupling[v] * a[1 - v][f];
      if (m.slope(v == 1)) next[v][v == 1 ? kSx : kSy] += 1;
    }
    for (int v = 0; v < variables; ++v) a[v] = next[v];
  }
  for (int v = 0; v < 2; ++v)
    if (!bands[v]) t.sd[static_cast<std::size_t>(v)].clear();
  return t;
}

namespace {

// A number for reading in a sentence: at most 3 significant digits.
std::string short_number(double v) {
  if (v == 0 || !std::isfinite(v)) return significant(v);
  const double scale = power_of_ten(decimal_exponent(std::fabs(v)) - 2);
  return significant(std::round(v / scale) * scale);
}

std::string approach(double r, const char* settle, const char* away) {
  std::string words = std::fabs(r) < 1 ? settle : std::fabs(r) > 1 ? away : "";
  if (std::fabs(r) == 1)
    return "oscillates around it with the same size, neither settling nor "
           "moving away";
  return words + (r < 0 ? ", oscillating" : " steadily");
}

}  // namespace

std::string regime(const Model& m, const Estimates& e) {
  const std::string& y = m.y_name;
  const double slope_y = m.slope(false) ? e.mean[kSy].value_or(0) : 0;
  if (m.kind == ModelKind::Univariate) {
    const double beta = m.proportional(false) ? e.beta[0].value_or(0) : 0;
    if (beta == 0) {
      if (slope_y == 0) return "The expected level of " + y + " stays at its initial level.";
      return "The expected level of " + y + " changes by " + short_number(slope_y) +
             " each occasion: a straight line.";
    }
    return "The expected level of " + y + " has its equilibrium at " +
           short_number(-slope_y / beta) +
           " (minus the slope's mean over the proportional "
           "change) and " +
           approach(1 + beta, "moves towards it", "moves away from it") + ".";
  }
  // Two variables: the levels at t+1 are A times those at t plus the slopes' means.
  const double slope_x = m.slope(true) ? e.mean[kSx].value_or(0) : 0;
  const double by = m.proportional(false) ? e.beta[0].value_or(0) : 0;
  const double bx = m.proportional(true) ? e.beta[1].value_or(0) : 0;
  const double gy = m.coupled_into(false) ? e.coupling[0].value_or(0) : 0;
  const double gx = m.coupled_into(true) ? e.coupling[1].value_or(0) : 0;
  const double a11 = 1 + by, a12 = gy, a21 = gx, a22 = 1 + bx;
  const double trace = a11 + a22, det = a11 * a22 - a12 * a21;
  const double disc = trace * trace / 4 - det;
  std::string words = "The change matrix has ";
  // (A - I) e = -slopes: the equilibrium, where the expected change is 0.
  const double b_det = by * bx - gy * gx;
  std::string at;
  if (b_det != 0) {
    const double ey = -(bx * slope_y - gy * slope_x) / b_det;
    const double ex = -(by * slope_x - gx * slope_y) / b_det;
    at = " (" + y + " " + short_number(ey) + ", " + m.x_name + " " + short_number(ex) + ")";
  }
  if (disc < 0) {
    const double modulus = std::sqrt(det);
    words += "complex eigenvalues of size " + short_number(modulus) + ": the levels spiral ";
    words += modulus < 1   ? "towards the equilibrium" + at + ", oscillating as they settle."
             : modulus > 1 ? "away from the equilibrium" + at + ", oscillating ever more."
                           : "around the equilibrium" + at + " without settling.";
    return words;
  }
  const double l1 = trace / 2 + std::sqrt(disc), l2 = trace / 2 - std::sqrt(disc);
  words += "eigenvalues " + short_number(l1) + " and " + short_number(l2) + ": ";
  const bool in1 = std::fabs(l1) < 1, in2 = std::fabs(l2) < 1;
  const bool out1 = std::fabs(l1) > 1, out2 = std::fabs(l2) > 1;
  const bool flips = l1 < 0 || l2 < 0;
  if (b_det == 0) {
    words +=
        "there is no single equilibrium; along one direction the levels keep the change "
        "they have.";
  } else if (in1 && in2) {
    words += "the levels settle towards the equilibrium" + at +
             (flips ? ", oscillating." : " steadily.");
  } else if (out1 && out2) {
    words += "the levels move away from the equilibrium" + at +
             (flips ? ", oscillating." : " steadily.");
  } else if ((in1 && out2) || (out1 && in2)) {
    words += "a saddle: the levels approach the equilibrium" + at +
             " along one direction and move away from it along the other.";
  } else {
    words += "along one direction the levels neither settle nor move away from the equilibrium" +
             at + ".";
  }
  return words;
}

std::string trajectory_csv(const Model& m, const Trajectory& t) {
  const bool bivariate = m.kind == ModelKind::Bivariate;
  std::string csv = "occasion," + m.y_name + "," + m.y_name + "_lower," + m.y_name + "_upper";
  if (bivariate) csv += "," + m.x_name + "," + m.x_name + "_lower," + m.x_name + "_upper";
  csv += "\n";
  for (std::size_t i = 0; i < t.mean[0].size(); ++i) {
    csv += std::to_string(i + 1);
    for (std::size_t v = 0; v < (bivariate ? 2u : 1u); ++v) {
      const double mean = t.mean[v][i];
      csv += "," + significant(mean);
      if (t.sd[v].empty()) {
        csv += ",,";
      } else {
        csv += "," + significant(mean - t.sd[v][i]) + "," + significant(mean + t.sd[v][i]);
      }
    }
    csv += "\n";
  }
  return csv;
}

namespace {

// ---- The figure ----------------------------------------------------------------------------

constexpr double kPlotWidth = 480, kPlotHeight = 280, kLeft = 80;

// An axis from lo to hi with ticks at round steps.
struct Axis {
  double lo, hi, step;
};

Axis axis(double lo, double hi, bool whole = false) {
  // A range of nothing but rounding (levels that stay where they are) gets room around them.
  const double size = std::max({1.0, std::fabs(lo), std::fabs(hi)});
  if (!(hi - lo > size * 1e-9)) {
    const double pad = std::max(std::fabs(lo), std::fabs(hi)) < 1e-9 ? 1 : size * 0.1;
    lo -= pad;
    hi += pad;
  }
  const double rough = (hi - lo) / 5, unit = power_of_ten(decimal_exponent(rough));
  double step = unit * (rough / unit < 1.5   ? 1
                        : rough / unit < 3.5 ? 2
                        : rough / unit < 7.5 ? 5
                                             : 10);
  if (whole) step = std::max(1.0, std::round(step));
  return {std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

// A plot's frame at (left, top): maps values to the page and draws the ticks and the axes'
// names outside the frame, so that nothing drawn inside crosses them.
class Plot {
 public:
  Plot(Svg* svg, Point origin, Axis x, Axis y) : svg_(svg), o_(origin), x_(x), y_(y) {}

  Point at(double vx, double vy) const {
    return {o_.x + (vx - x_.lo) / (x_.hi - x_.lo) * kPlotWidth,
            o_.y + kPlotHeight - (vy - y_.lo) / (y_.hi - y_.lo) * kPlotHeight};
  }

  void frame(const std::string& title, const std::string& x_name, const std::string& y_name) {
    svg_->add("<rect class=\"frame\" x=\"" + number(o_.x) + "\" y=\"" + number(o_.y) +
              "\" width=\"" + number(kPlotWidth) + "\" height=\"" + number(kPlotHeight) +
              "\" fill=\"none\" stroke=\"black\"/>");
    svg_->extend({o_.x + kPlotWidth, o_.y + kPlotHeight});
    svg_->label({o_.x + kPlotWidth / 2, o_.y - 12}, title, "title");
    for (double v = x_.lo; v <= x_.hi + x_.step / 2; v += x_.step) {
      const Point p = at(v, y_.lo);
      svg_->add("<path class=\"tick\" d=\"" + line_d(p, {p.x, p.y + 5}) + "\" stroke=\"black\"/>");
      svg_->label({p.x, p.y + 18}, significant(std::fabs(v) < x_.step / 1e6 ? 0 : v), "tick");
    }
    for (double v = y_.lo; v <= y_.hi + y_.step / 2; v += y_.step) {
      const Point p = at(x_.lo, v);
      svg_->add("<path class=\"tick\" d=\"" + line_d({p.x - 5, p.y}, p) + "\" stroke=\"black\"/>");
      svg_->label({p.x - 8, p.y + kFont / 3}, significant(std::fabs(v) < y_.step / 1e6 ? 0 : v),
                  "tick", "end");
    }
    svg_->label({o_.x + kPlotWidth / 2, o_.y + kPlotHeight + 38}, x_name, "axis");
    svg_->add("<text class=\"label axis\" x=\"" + number(o_.x - 62) + "\" y=\"" +
              number(o_.y + kPlotHeight / 2) + "\" text-anchor=\"middle\" transform=\"rotate(-90 " +
              number(o_.x - 62) + " " + number(o_.y + kPlotHeight / 2) + ")\">" + escape(y_name) +
              "</text>");
  }

 private:
  Svg* svg_;
  Point o_;
  Axis x_, y_;
};

// At most this many points of a long trajectory are drawn; the table holds all of them.
constexpr std::size_t kMostPoints = 400;

// The line through the first n points, at most kMostPoints of them, the last always included.
std::string polyline(const Plot& plot, const std::vector<double>& xs, const std::vector<double>& ys,
                     std::size_t n) {
  std::string d;
  const std::size_t step = std::max<std::size_t>(1, (n + kMostPoints - 1) / kMostPoints);
  for (std::size_t i = 0; i < n; i = i + step < n || i + 1 == n ? i + step : n - 1) {
    const Point p = plot.at(xs[i], ys[i]);
    d += (d.empty() ? "M " : " L ") + number(p.x) + " " + number(p.y);
  }
  return d;
}

// Levels past this size are not drawn: they have left any scale a reader could use.
constexpr double kLargest = 1e12;

// The range of a series' first `n` values, each mean plus `sign` standard deviations.
void widen(double* lo, double* hi, std::size_t n, const std::vector<double>& values,
           double sign = 0, const std::vector<double>* sd = nullptr) {
  if (sd && sd->empty()) return;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = values[i] + (sd ? sign * (*sd)[i] : 0);
    *lo = std::min(*lo, v);
    *hi = std::max(*hi, v);
  }
}

// How many occasions, from the first, have every level and band within kLargest.
std::size_t drawable(const Trajectory& t) {
  std::size_t n = t.mean[0].size();
  for (std::size_t v = 0; v < 2; ++v) {
    for (std::size_t i = 0; i < std::min(n, t.mean[v].size()); ++i) {
      const double sd = t.sd[v].empty() ? 0 : t.sd[v][i];
      const double m = t.mean[v][i];
      if (!(std::fabs(m) + sd <= kLargest)) n = i;
    }
  }
  return n;
}

// Wraps a text into lines of at most `width` characters, at blanks.
std::vector<std::string> wrap(const std::string& text, std::size_t width) {
  std::vector<std::string> lines(1);
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find(' ', begin);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(begin, end - begin);
    if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width)
      lines.emplace_back();
    lines.back() += (lines.back().empty() ? "" : " ") + word;
    begin = end + 1;
  }
  return lines;
}

}  // namespace

std::string dynamics_svg(const Model& m, const Estimates& e, const Trajectory& t) {
  const bool bivariate = m.kind == ModelKind::Bivariate;
  const std::size_t variables = bivariate ? 2 : 1;
  const std::size_t n = drawable(t), all = t.mean[0].size();
  const std::string names = bivariate ? m.y_name + " and " + m.x_name : m.y_name;
  Svg svg;
  std::vector<double> occasions(n);
  for (std::size_t i = 0; i < n; ++i) occasions[i] = static_cast<double>(i + 1);

  // The expected trajectories, with their bands.
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (std::size_t v = 0; v < variables; ++v)
    for (double sign : {-1.0, 0.0, 1.0})
      widen(&lo, &hi, n, t.mean[v], sign, sign == 0 ? nullptr : &t.sd[v]);
  if (lo > hi) lo = hi = 0;
  Plot levels(&svg, {kLeft, 50}, axis(1, static_cast<double>(std::max<std::size_t>(n, 2)), true),
              axis(lo, hi));
  levels.frame("Expected level over the occasions", "Occasion", "Expected level");
  for (std::size_t v = 0; v < variables && n > 0; ++v) {
    const char* kind = v == 0 ? "y" : "x";
    if (!t.sd[v].empty()) {
      // Along the upper edge and back along the lower one.
      std::vector<double> xs(occasions), ys(n);
      for (std::size_t i = 0; i < n; ++i) ys[i] = t.mean[v][i] + t.sd[v][i];
      for (std::size_t i = n; i-- > 0;) {
        xs.push_back(occasions[i]);
        ys.push_back(t.mean[v][i] - t.sd[v][i]);
      }
      svg.add("<path class=\"band " + std::string(kind) + "\" d=\"" +
              polyline(levels, xs, ys, 2 * n) + " Z\" fill=\"" + (v == 0 ? "#9bbbd9" : "#e3b58f") +
              "\" fill-opacity=\"0.45\" stroke=\"none\"/>");
    }
    svg.add("<path class=\"mean " + std::string(kind) + "\" d=\"" +
            polyline(levels, occasions, t.mean[v], n) + "\" fill=\"none\" stroke=\"" +
            (v == 0 ? "#1f4e79" : "#8a4000") + "\" stroke-width=\"2\"" +
            (v == 0 ? "" : " stroke-dasharray=\"6 4\"") + "/>");
  }

  std::vector<std::string> legend = {m.y_name + ": the expected level of " + m.y_name +
                                     " (solid line)"};
  if (bivariate)
    legend.push_back(m.x_name + ": the expected level of " + m.x_name + " (dashed line)");
  const bool any_band = !t.sd[0].empty() || (bivariate && !t.sd[1].empty());
  legend.push_back(any_band ? "Shaded: plus and minus one implied standard deviation of the level"
                            : "No bands: the variances of the initial levels and slopes are not "
                              "known");

  double bottom = 50 + kPlotHeight + 50;
  if (bivariate) {
    // The field of expected changes from each point, the slopes at their means, and the mean
    // path over it.
    double xlo = HUGE_VAL, xhi = -HUGE_VAL, ylo = HUGE_VAL, yhi = -HUGE_VAL;
    for (double sign : {-1.0, 0.0, 1.0}) {
      widen(&xlo, &xhi, n, t.mean[1], sign, sign == 0 ? nullptr : &t.sd[1]);
      widen(&ylo, &yhi, n, t.mean[0], sign, sign == 0 ? nullptr : &t.sd[0]);
    }
    if (xlo > xhi) xlo = xhi = 0;
    if (ylo > yhi) ylo = yhi = 0;
    const double xpad = std::max((xhi - xlo) * 0.1, 0.5), ypad = std::max((yhi - ylo) * 0.1, 0.5);
    const Axis ax = axis(xlo - xpad, xhi + xpad), ay = axis(ylo - ypad, yhi + ypad);
    const double top = bottom + 40;
    Plot field(&svg, {kLeft, top}, ax, ay);
    field.frame("Expected change from each point (vector field)", "Level of " + m.x_name,
                "Level of " + m.y_name);
    const double by = m.proportional(false) ? e.beta[0].value_or(0) : 0;
    const double bx = m.proportional(true) ? e.beta[1].value_or(0) : 0;
    const double gy = m.coupled_into(false) ? e.coupling[0].value_or(0) : 0;
    const double gx = m.coupled_into(true) ? e.coupling[1].value_or(0) : 0;
    const double sy = m.slope(false) ? e.mean[kSy].value_or(0) : 0;
    const double sx = m.slope(true) ? e.mean[kSx].value_or(0) : 0;
    constexpr int kCells = 12;
    const double cw = kPlotWidth / kCells, ch = kPlotHeight / kCells;
    std::vector<std::pair<Point, Point>> arrows;
    double longest = 0;
    for (int i = 0; i < kCells; ++i) {
      for (int j = 0; j < kCells; ++j) {
        const double vx = ax.lo + (i + 0.5) * (ax.hi - ax.lo) / kCells;
        const double vy = ay.lo + (j + 0.5) * (ay.hi - ay.lo) / kCells;
        const double dx = sx + bx * vx + gx * vy, dy = sy + by * vy + gy * vx;
        const Point from = field.at(vx, vy), to = field.at(vx + dx, vy + dy);
        const Point d = {to.x - from.x, to.y - from.y};
        longest = std::max({longest, std::fabs(d.x) / cw, std::fabs(d.y) / ch});
        arrows.push_back({from, d});
      }
    }
    for (const auto& [from, d] : arrows) {
      const double k = longest > 0 ? 0.8 / longest : 0;
      if (std::fabs(d.x * k) + std::fabs(d.y * k) < 2.5) continue;
      const Point a = {from.x - d.x * k / 2, from.y - d.y * k / 2};
      svg.add("<path class=\"field\" d=\"" + line_d(a, {a.x + d.x * k, a.y + d.y * k}) +
              "\" fill=\"none\" stroke=\"#666\" stroke-width=\"0.7\" marker-end=\"url(#head)\"/>");
    }
    if (n > 0) {
      svg.add("<path class=\"mean path\" d=\"" + polyline(field, t.mean[1], t.mean[0], n) +
              "\" fill=\"none\" stroke=\"#1f4e79\" stroke-width=\"2\"/>");
      const Point start = field.at(t.mean[1][0], t.mean[0][0]);
      svg.add("<circle class=\"start\" cx=\"" + number(start.x) + "\" cy=\"" + number(start.y) +
              "\" r=\"4\" fill=\"#1f4e79\"/>");
    }
    legend.push_back("Arrows: the expected change of (" + m.x_name + ", " + m.y_name +
                     ") from each point, the slopes at their means, scaled to fit");
    legend.push_back("Line over the arrows: the mean path, from the dot at occasion 1");
    bottom = top + kPlotHeight + 50;
  }
  if (n < all) {
    legend.push_back("Occasions after " + std::to_string(n) +
                     " are not drawn: the levels grow past 10^12 there (the table has them)");
  }
  for (const std::string& line : wrap(regime(m, e), 90)) legend.push_back(line);

  std::string text;
  double y = bottom;
  double width = kLeft + kPlotWidth;
  for (const std::string& line : legend) {
    text += "  <text class=\"legend\" x=\"20\" y=\"" + number(y += 18) + "\">" + escape(line) +
            "</text>\n";
    width = std::max(width, 20 + text_width(line));
  }
  width += 20;
  const double height = y + 20;
  const std::string count = std::to_string(all) + " occasions";
  return svg_document(
      width, height, "Expected change of " + names + " over " + count,
      bivariate ? "Above: the expected levels of both variables over the occasions, with bands of "
                  "one implied standard deviation where known. Below: arrows for the expected "
                  "change from each point, and the mean path over them."
                : "The expected level over the occasions, with a band of one implied standard "
                  "deviation where known.",
      svg.body() + text);
}

}  // namespace ldsgen

#include "mplus_output.h"

#include <algorithm>

#include "lines.h"
#include "numbers.h"

namespace ldsgen {

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
    if (j > i) out.push_back(line.substr(i, j - i));
    i = j;
  }
  return out;
}

// The initial levels (y0) and slopes (sy) are the names that end in no occasion: a slope in no
// digit, an initial level in one 0 after a stem, which never ends in a digit.
bool factor_name(std::string_view name) {
  if (name.empty() || !is_digit(name.back())) return true;
  return name.back() == '0' && name.size() >= 2 && !is_digit(name[name.size() - 2]);
}

// A name split into its stem and its occasion: ly12 is ly and 12.
std::pair<std::string, std::int64_t> occasion_of(std::string_view name) {
  std::size_t stem = name.size();
  while (stem > 0 && is_digit(name[stem - 1])) --stem;
  std::int64_t k = 0;
  for (std::size_t i = stem; i < name.size() && k < 1000000000; ++i) k = k * 10 + (name[i] - '0');
  return {std::string(name.substr(0, stem)), k};
}

}  // namespace

void OutputReader::text(std::string_view block) {
  // An output's lines are short.
  split_lines(block, 1 << 16, &partial_, [this](std::string_view l) { line(l); });
}

void OutputReader::line(std::string_view text) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (state_ == State::kBefore) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text == "MODEL RESULTS") state_ = State::kIn;
    return;
  }
  if (state_ == State::kAfter) return;
  const std::vector<std::string_view> w = words(text);
  if (w.empty()) return;
  // Results by group or class head each part with a line of its own, in the first column.
  if (w[0] == "Group" || (w.size() > 1 && w[0] == "Latent" && w[1] == "Class")) {
    if (groups_.empty()) groups_ = std::string(w[0]) + " " + std::string(w.size() > 1 ? w[1] : "");
    return;
  }
  // Else the section ends at the next line that begins in the first column.
  if (text.front() != ' ' && text.front() != '\t') {
    state_ = State::kAfter;
    return;
  }
  double estimate = 0;  // a row's is read again where it is kept
  if (w.size() == 2 && (w[1] == "BY" || w[1] == "ON" || w[1] == "WITH")) {
    of_ = lower_case(w[0]);
    block_ = w[1] == "BY" ? 'b' : w[1] == "ON" ? 'o' : 'w';
    if (block_ == 'b') {
      const std::pair<std::string, std::int64_t> level = occasion_of(of_);
      auto it = std::find_if(levels_.begin(), levels_.end(),
                             [&](const auto& l) { return l.first == level.first; });
      if (it == levels_.end()) {
        levels_.push_back(level);
      } else {
        it->second = std::max(it->second, level.second);
      }
    }
  } else if (w.size() == 1 && (w[0] == "Means" || w[0] == "Variances")) {
    block_ = w[0] == "Means" ? 'm' : 'v';
  } else if (w.size() >= 2 && read_number(w[1], &estimate)) {
    const std::string name = lower_case(w[0]);
    const bool keep =
        ((block_ == 'm' || block_ == 'v') && factor_name(name)) ||
        (block_ == 'w' && factor_name(name) && factor_name(of_)) ||
        (block_ == 'o' && of_.size() > 1 && of_.front() == 'd' && occasion_of(of_).second == 1 &&
         name.size() > 1 && name.front() == 'l' && occasion_of(name).second == 1);
    if (keep)
      rows_.push_back({block_, block_ == 'm' || block_ == 'v' ? "" : of_, name, std::string(w[1])});
  } else {
    block_ = 0;  // a block not needed, or the section's header
  }
}

MplusResults OutputReader::end() {
  if (!partial_.empty()) line(partial_);
  partial_.clear();
  MplusResults r;
  if (state_ == State::kBefore) {
    r.error = "it has no MODEL RESULTS section: Mplus gives one when the model is estimated";
    return r;
  }
  if (state_ == State::kIn) {
    r.error = "it ends inside its MODEL RESULTS section: the output is cut short";
    return r;
  }
  if (!groups_.empty()) {
    r.error = "its results have several groups or classes (" + groups_ +
              " ...): the dynamics are of one model";
    return r;
  }
  // The variables: one initial level (y0) each, in the order Mplus lists their means.
  std::vector<std::string> stems;
  for (const Row& row : rows_) {
    if (row.block != 'm' || row.name.size() < 2 || row.name.back() != '0') continue;
    const std::string stem = row.name.substr(0, row.name.size() - 1);
    if (std::find(stems.begin(), stems.end(), stem) == stems.end()) stems.push_back(stem);
  }
  if (stems.empty() || stems.size() > 2) {
    r.error = "its results are not of a latent difference score model ldsgen wrote: " +
              std::string(stems.empty() ? "no initial level's mean is among them"
                                        : "they have more than two initial levels");
    return r;
  }
  Model& m = r.model;
  m.kind = stems.size() == 2 ? ModelKind::Bivariate : ModelKind::Univariate;
  m.y_name = stems[0];
  if (stems.size() == 2) m.x_name = stems[1];
  auto has = [&](char block, const std::string& of, const std::string& name) {
    return std::any_of(rows_.begin(), rows_.end(), [&](const Row& row) {
      return row.block == block && row.of == of && row.name == name;
    });
  };
  bool coupled[2] = {false, false};
  for (int v = 0; v < static_cast<int>(stems.size()); ++v) {
    const std::string& stem = stems[static_cast<std::size_t>(v)];
    const bool slope = has('m', "", "s" + stem),
               beta = has('o', "d" + stem + "1", "l" + stem + "1");
    const Change change = slope && beta ? Change::Dual
                          : beta        ? Change::Proportional
                          : slope       ? Change::Constant
                                        : Change::None;
    (v == 0 ? m.y_change : m.x_change) = change;
    if (stems.size() == 2) coupled[v] = has('o', "d" + stem + "1", "l" + stems[1 - v] + "1");
  }
  m.coupling = coupled[0] && coupled[1] ? Coupling::Both
               : coupled[1]             ? Coupling::YToX
               : coupled[0]             ? Coupling::XToY
                                        : Coupling::None;
  for (const auto& [stem, k] : levels_)
    if (stem == "l" + stems[0]) r.occasions = k;
  if (r.occasions < 2) {
    r.error = "its results have no latent levels l" + stems[0] + "1, l" + stems[0] +
              "2 ...: it is not the output of a script ldsgen wrote";
    return r;
  }

  // The values, by what each row is: the factors are y0, sy, x0, sx, by their keys' names.
  auto factor = [&](const std::string& name) -> int {
    for (std::size_t v = 0; v < stems.size(); ++v) {
      if (name == stems[v] + "0") return v == 0 ? kY0 : kX0;
      if (name == "s" + stems[v]) return v == 0 ? kSy : kSx;
    }
    return -1;
  };
  const char* const factors[] = {"y0", "sy", "x0", "sx"};
  std::vector<std::pair<std::string, std::string>> found;  // key, value as printed
  for (const Row& row : rows_) {
    const int f = factor(row.name);
    if (row.block == 'm' && f >= 0) {
      found.emplace_back(std::string("mean-") + factors[f], row.estimate);
    } else if (row.block == 'v' && f >= 0) {
      found.emplace_back(std::string("var-") + factors[f], row.estimate);
    } else if (row.block == 'w' && f >= 0 && factor(row.of) >= 0 && factor(row.of) != f) {
      const int a = std::min(f, factor(row.of)), b = std::max(f, factor(row.of));
      found.emplace_back(std::string("cov-") + factors[a] + "-" + factors[b], row.estimate);
    } else if (row.block == 'o') {
      for (std::size_t v = 0; v < stems.size(); ++v) {
        if (row.of != "d" + stems[v] + "1") continue;
        if (row.name == "l" + stems[v] + "1")
          found.emplace_back(v == 0 ? "beta-y" : "beta-x", row.estimate);
        if (stems.size() == 2 && row.name == "l" + stems[1 - v] + "1")
          found.emplace_back(v == 0 ? "coupling-x-to-y" : "coupling-y-to-x", row.estimate);
      }
    }
  }
  for (const std::string& key : estimate_keys(m)) {
    for (const auto& [k, text] : found) {
      if (k != key || !set_estimate(&r.values, key, text).empty()) continue;
      r.read.push_back(key);
      r.printed.push_back(text);
      break;
    }
  }
  return r;
}

std::vector<std::string> lacking(const MplusResults& r) {
  std::vector<std::string> absent;
  for (const std::string& key : estimate_keys(r.model))
    if (std::find(r.read.begin(), r.read.end(), key) == r.read.end()) absent.push_back(key);
  return absent;
}

MplusResults read_mplus_output(std::string_view output) {
  OutputReader reader;
  reader.text(output);
  return reader.end();
}

}  // namespace ldsgen

#include "data_file.h"

#include <algorithm>
#include <cmath>

#include "numbers.h"

namespace ldsgen {

namespace {

constexpr std::size_t kShownRows = 6;

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

bool is_number(std::string_view s) {
  double ignored = 0;
  return read_number(s, &ignored);
}

double number(std::string_view s) {
  double v = 0;
  read_number(s, &v);
  return v;
}

// The values of one line: blanks and tabs separate them, and so do commas, between which
// nothing at all is an empty value.
std::vector<std::string_view> fields(std::string_view line) {
  std::vector<std::string_view> out;
  const bool commas = line.find(',') != std::string_view::npos;
  while (true) {
    const std::size_t comma = std::min(line.find(','), line.size());
    std::string_view part = line.substr(0, comma);
    const std::size_t before = out.size();
    for (std::size_t i = 0; i < part.size();) {
      while (i < part.size() && is_blank(part[i])) ++i;
      std::size_t j = i;
      while (j < part.size() && !is_blank(part[j])) ++j;
      if (j > i) out.push_back(part.substr(i, j - i));
      i = j;
    }
    if (commas && out.size() == before) out.push_back(part.substr(0, 0));
    if (comma == line.size()) break;
    line.remove_prefix(comma + 1);
  }
  return out;
}

// The names of a header line whose values commas separate, each without blanks around it.
std::vector<std::string> header_names(std::string_view line) {
  std::vector<std::string> names;
  for (std::size_t begin = 0;;) {
    const std::size_t comma = std::min(line.find(',', begin), line.size());
    std::string_view name = line.substr(begin, comma - begin);
    while (!name.empty() && is_blank(name.front())) name.remove_prefix(1);
    while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
    names.emplace_back(name);
    if (comma == line.size()) return names;
    begin = comma + 1;
  }
}

// The values researchers write for a missing one.
constexpr double kCodes[] = {-99999, -9999, -999, -99, 99, 999, 9999, 99999};

std::string count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Where the values of one line break the rules: the first value that is neither a number nor
// the missing mark, and how many there are.
struct Odd {
  std::size_t count = 0, line = 0, value = 0;
  std::string text;
};

class Checker {
 public:
  Checker(const Model& model, std::int64_t occasions)
      : model_(model),
        names_(model.columns.empty() ? static_cast<std::size_t>(observed_count(model, occasions))
                                     : model.columns.size()),
        numeric_mark_(is_number(model.missing)) {}

  void line(std::size_t number, std::string_view text);
  DataSample done();

 private:
  bool missing(std::string_view value) const {
    return value == model_.missing ||
           (numeric_mark_ && is_number(value) && number(value) == number(model_.missing));
  }
  void header_warning(const std::vector<std::string_view>& values);
  void code_warnings();

  const Model& model_;
  const std::size_t names_;
  const bool numeric_mark_;
  DataSample sample_;
  bool first_ = true;
  std::size_t lines_ = 0, first_line_ = 0, ragged_ = 0, ragged_line_ = 0, ragged_count_ = 0;
  Odd odd_;
  std::vector<std::vector<double>> columns_;  // each column's numbers
};

void Checker::line(std::size_t at, std::string_view text) {
  const std::vector<std::string_view> values = fields(text);
  if (values.empty()) return;  // Mplus reads values, so an empty line is nothing
  if (sample_.rows.size() < kShownRows) sample_.rows.emplace_back(values.begin(), values.end());
  std::size_t words = 0;
  for (std::string_view v : values) words += !v.empty() && !is_number(v) && !missing(v);
  if (first_ && 2 * words > values.size()) {
    sample_.header = true;
    header_warning(values);
    // A header's names may hold blanks where commas separate them ("age at start").
    if (text.find(',') != std::string_view::npos) sample_.rows.back() = header_names(text);
    first_ = false;
    return;
  }
  first_ = false;
  if (lines_++ == 0) {
    sample_.columns = values.size();
    first_line_ = at;
  } else if (values.size() != sample_.columns && ragged_++ == 0) {
    ragged_line_ = at;
    ragged_count_ = values.size();
  }
  if (columns_.size() < values.size()) columns_.resize(values.size());
  for (std::size_t k = 0; k < values.size(); ++k) {
    const std::string_view v = values[k];
    if (missing(v)) continue;
    if (is_number(v)) {
      columns_[k].push_back(number(v));
    } else if (odd_.count++ == 0) {
      odd_ = {1, at, k + 1, v.empty() ? "empty" : "'" + std::string(v) + "'"};
    }
  }
}

void Checker::header_warning(const std::vector<std::string_view>& values) {
  std::string names;
  for (std::size_t k = 0; k < values.size() && k < 4; ++k)
    names += (k > 0 ? " " : "") + std::string(values[k]);
  if (values.size() > 4) names += " ...";
  sample_.warnings.push_back("line 1 holds names, not numbers (" + names +
                             "): a header line, which Mplus would read as data; remove it");
}

// A value that recurs far outside the other values of the columns it is in is most likely a
// code for a missing value, which Mplus takes as a value unless the script names it.
void Checker::code_warnings() {
  std::size_t most = 0;
  for (const double code : kCodes) {
    std::size_t total = 0;
    std::vector<std::size_t> in;  // the columns it is far out in
    for (std::size_t k = 0; k < columns_.size(); ++k) {
      std::size_t times = 0;
      double low = HUGE_VAL, high = -HUGE_VAL;
      for (double v : columns_[k]) {
        if (v == code) {
          ++times;
        } else {
          low = std::min(low, v);
          high = std::max(high, v);
        }
      }
      if (times == 0 || low > high) continue;  // not there, or nothing else to tell it from
      const double spread = std::max(high - low, 1.0);
      if (code > low - spread && code < high + spread) continue;
      total += times;
      in.push_back(k + 1);
    }
    if (total < 2) continue;  // once may be a value after all
    const std::string text = std::to_string(static_cast<int>(code));
    if (total > most) {
      most = total;
      sample_.missing_code = text;
    }
    sample_.warnings.push_back(text + " appears " + count(total, "time", "times") + " in column" +
                               (in.size() > 1 ? "s " : " ") + in_words(in) +
                               ", far from the other values: a missing-value code? Mplus "
                               "takes it as a value unless the script names it as the code");
  }
}

DataSample Checker::done() {
  if (lines_ > 0 && ragged_ == 0 && sample_.columns != names_) {
    sample_.warnings.push_back(
        (lines_ == 1 ? "the line of data has "
                     : "every line of data read (" + count(lines_, "line", "lines") + ") has ") +
        count(sample_.columns, "value", "values") + ", but the script names " +
        std::to_string(names_) + ": Mplus reads " + std::to_string(names_) +
        " values a case, so the cases shift and the results are wrong; name every column of the "
        "file, the model's among them");
  } else if (ragged_ > 0) {
    if (sample_.columns != names_) {
      sample_.warnings.push_back("line " + std::to_string(first_line_) + " has " +
                                 count(sample_.columns, "value", "values") +
                                 ", but the script names " + std::to_string(names_));
    }
    sample_.warnings.push_back(
        "line " + std::to_string(ragged_line_) + " has " + count(ragged_count_, "value", "values") +
        " where line " + std::to_string(first_line_) + " has " + std::to_string(sample_.columns) +
        " (" + count(ragged_, "line differs", "lines differ") +
        "): Mplus reads values, not lines, so every case after it is shifted");
  }
  if (odd_.count > 0) {
    sample_.warnings.push_back(
        "line " + std::to_string(odd_.line) + ", value " + std::to_string(odd_.value) + " is " +
        odd_.text + ": neither a number nor the missing mark '" + model_.missing + "' (" +
        count(odd_.count, "such value", "such values") + "); Mplus can't read it");
  }
  code_warnings();
  return std::move(sample_);
}

}  // namespace

DataSample check_data(const DataBeginning& data, const Model& model, std::int64_t occasions) {
  if (data.status == DataBeginning::kAbsent) return {};
  if (data.status == DataBeginning::kUnreadable) {
    DataSample sample;
    sample.warnings.push_back("the data file can't be read, so it was not checked: " + data.why);
    return sample;
  }
  Checker checker(model, occasions);
  std::string_view text = std::string_view(data.text).substr(0, kDataBytes);
  for (std::size_t at = 1; at <= kDataLines && !text.empty(); ++at) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos && !data.whole) break;  // a line cut short
    checker.line(at, text.substr(0, end));
    text.remove_prefix(std::min(end, text.size() - 1) + 1);
  }
  return checker.done();
}

std::string data_path(std::string_view script, std::string_view data) {
  if (data.size() >= 2 && data.front() == '"' && data.back() == '"')
    data = data.substr(1, data.size() - 2);
  const bool full = (!data.empty() && (data.front() == '/' || data.front() == '\\')) ||
                    (data.size() >= 2 && data[1] == ':');
  const std::size_t slash = script.find_last_of("/\\");
  if (full || slash == std::string_view::npos) return std::string(data);
  return std::string(script.substr(0, slash + 1)) + std::string(data);
}

namespace {

// A name Mplus takes, made of a header's name: letters, digits and _, from a letter, at most 8,
// and not one already taken (in any case); a number at its end where it would be.
std::string short_name(std::string_view header, const std::vector<std::string>& taken,
                       const Model& model, std::int64_t occasions) {
  std::string name;
  for (char c : header)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '_') name += c;
  if (name.empty() || is_digit(name.front()) || name.front() == '_') name = "v" + name;
  name.resize(std::min<std::size_t>(name.size(), 8));
  auto used = [&](const std::string& n) {
    return !observed_match(model, n, occasions).empty() ||
           std::any_of(taken.begin(), taken.end(),
                       [&](const std::string& t) { return same_name(t, n); });
  };
  for (int k = 2; used(name); ++k) {
    const std::string suffix = std::to_string(k);
    name = name.substr(0, std::min(name.size(), 8 - suffix.size())) + suffix;
  }
  return name;
}

bool names_an_id(std::string_view header) {
  for (const char* id : {"id", "subject", "subj", "case", "pid", "caseid", "participant"})
    if (same_name(header, id)) return true;
  return false;
}

}  // namespace

std::vector<ProposedColumn> propose_columns(const DataSample& sample, const Model& model,
                                            std::int64_t occasions) {
  const std::int64_t observed = observed_count(model, occasions);
  const std::size_t width = sample.rows.empty() ? 0 : sample.rows.front().size();
  std::vector<ProposedColumn> columns(std::max(width, sample.columns));
  std::vector<std::string> taken;
  auto unused = [&](std::size_t k, const std::string& name) {
    columns[k] = {ProposedColumn::kUnused, short_name(name, taken, model, occasions)};
  };
  if (sample.header) {
    bool id = false;
    for (std::size_t k = 0; k < columns.size(); ++k) {
      const std::string header = k < width ? sample.rows.front()[k] : "";
      if (std::string match = observed_match(model, header, occasions); !match.empty()) {
        columns[k] = {ProposedColumn::kObserved, match};
        continue;
      }
      unused(k, header.empty() ? "v" + std::to_string(k + 1) : header);
      if (!id && names_an_id(header)) {
        columns[k].role = ProposedColumn::kId;
        id = true;
      }
      taken.push_back(columns[k].name);
    }
    return columns;
  }
  // No header: the model's variables in order, after an ID where there is a column more.
  const auto count = static_cast<std::int64_t>(columns.size());
  const std::int64_t first = count > observed ? 1 : 0;
  for (std::int64_t k = 0; k < count; ++k) {
    const auto at = static_cast<std::size_t>(k);
    if (first == 1 && k == 0) {
      columns[at] = {ProposedColumn::kId, "id"};
    } else if (count >= observed && k - first < observed) {
      columns[at] = {ProposedColumn::kObserved, observed_name(model, k - first, occasions)};
    } else {
      unused(at, "v" + std::to_string(k + 1));
    }
    taken.push_back(columns[at].name);
  }
  return columns;
}

}  // namespace ldsgen

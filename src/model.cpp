#include "model.h"

#include <algorithm>

namespace ldsgen {

VariableNames::VariableNames(std::string_view s)
    : stem(s), level("l" + stem), difference("d" + stem), slope("s" + stem), initial(stem + "0") {}

bool Model::slope(bool x) const {
  return change(x) == Change::Dual || change(x) == Change::Constant;
}

bool Model::proportional(bool x) const {
  return change(x) == Change::Dual || change(x) == Change::Proportional;
}

bool Model::coupled_into(bool x) const {
  if (kind == ModelKind::Univariate) return false;
  return coupling == Coupling::Both || coupling == (x ? Coupling::YToX : Coupling::XToY);
}

// The labels keep their meaning in every variant: 1 and 2 proportional change of y and x, 3 and 4
// the couplings from y to x and from x to y, then the residuals. A part a variant drops takes its
// label with it.
std::vector<int> Model::labels() const {
  std::vector<int> labels;
  if (proportional(false)) labels.push_back(1);
  if (kind == ModelKind::Univariate) {
    labels.push_back(2);
    return labels;
  }
  if (proportional(true)) labels.push_back(2);
  if (coupled_into(true)) labels.push_back(3);
  if (coupled_into(false)) labels.push_back(4);
  for (int label : {5, 6, 7}) labels.push_back(label);
  return labels;
}

FinalLatents final_latents(const Model& m, bool x, std::int64_t n) {
  if (x && m.kind == ModelKind::Univariate) return {false, 1, 0};
  if (!m.differences(x)) return {true, n, n};
  if (!m.slope(x)) return {false, 1, n - 1};
  return {false, 1, 0};
}

bool has_final_pairs(const Model& m, std::int64_t n) {
  const FinalLatents y = final_latents(m, false, n), x = final_latents(m, true, n);
  return y.first < y.last || x.first < x.last || (y.first <= y.last && x.first <= x.last);
}

std::string label_name(const Model& m, int label) {
  const std::string &y = m.y_name, &x = m.x_name;
  // Two stems side by side, with _ between them where one is longer than a letter.
  auto pair = [](const std::string& a, const std::string& b) {
    return a.size() == 1 && b.size() == 1 ? a + b : a + "_" + b;
  };
  if (m.kind == ModelKind::Univariate) return label == 1 ? "beta_" + y : "resvar_" + y;
  switch (label) {
    case 1:
      return "beta_" + y;
    case 2:
      return "beta_" + x;
    case 3:
      return "gamma_" + pair(y, x);
    case 4:
      return "gamma_" + pair(x, y);
    case 5:
      return "resvar_" + y;
    case 6:
      return "resvar_" + x;
    default:
      return "rescov_" + pair(y, x);
  }
}

std::string_view Model::start(int label) const {
  auto it = starts.find(label);
  // An empty view of a literal, never a null one: writers copy it as a piece.
  return it == starts.end() ? std::string_view("") : it->second;
}

std::optional<Change> change_argument(std::string_view word) {
  if (word == "dual") return Change::Dual;
  if (word == "proportional") return Change::Proportional;
  if (word == "constant") return Change::Constant;
  if (word == "none") return Change::None;
  return std::nullopt;
}

std::optional<Coupling> coupling_argument(std::string_view word) {
  if (word == "both") return Coupling::Both;
  if (word == "y-to-x") return Coupling::YToX;
  if (word == "x-to-y") return Coupling::XToY;
  if (word == "none") return Coupling::None;
  return std::nullopt;
}

namespace {

bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

std::string digits(std::int64_t n) {
  return std::to_string(n);
}

// A starting value or a missing-value code is a decimal number: a sign, digits, a point.
bool is_decimal(std::string_view s) {
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  bool digit = false, point = false;
  for (char c : s) {
    if (is_digit(c)) {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit && s.size() <= 20;
}

// The columns as listed, separated by blanks, tabs or commas, each a name Mplus takes, none twice.
std::string set_columns(Model* m, std::string_view list) {
  std::vector<std::string> columns;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] != ' ' && list[i] != '\t' && list[i] != ',') continue;
    const std::string_view name = list.substr(begin, i - begin);
    begin = i + 1;
    if (name.empty()) continue;
    if (std::string problem = column_name_problem(name); !problem.empty()) return problem;
    for (const std::string& earlier : columns)
      if (same_name(earlier, name))
        return "the columns name '" + earlier + "' twice: Mplus takes names in any case as one";
    columns.emplace_back(name);
  }
  if (columns.empty()) return "no columns are given: list the data file's columns in order";
  m->columns = std::move(columns);
  return "";
}

}  // namespace

std::string set_model_option(Model* m, std::string_view name, std::string_view value) {
  const std::string shown(value);
  if (name == "y-name" || name == "x-name") {
    if (std::string problem = stem_problem(value); !problem.empty()) return problem;
    (name == "y-name" ? m->y_name : m->x_name) = shown;
    m->named = true;
  } else if (name == "change" || name == "y-change" || name == "x-change") {
    const std::optional<Change> kind = change_argument(value);
    if (!kind) return "unknown change '" + shown + "': dual, proportional, constant or none";
    if (name != "x-change") m->y_change = *kind;
    if (name != "y-change") m->x_change = *kind;
  } else if (name == "coupling") {
    const std::optional<Coupling> coupling = coupling_argument(value);
    if (!coupling) return "unknown coupling '" + shown + "': both, y-to-x, x-to-y or none";
    m->coupling = *coupling;
  } else if (name == "start") {
    return add_start(m, value);
  } else if (name == "columns") {
    return set_columns(m, value);
  } else if (name == "id") {
    if (std::string problem = column_name_problem(value); !problem.empty()) return problem;
    m->id = shown;
  } else if (name == "missing") {
    if (value != "." && value != "*" && !is_decimal(value))
      return "the missing-value code '" + shown + "' is not ., * or a number such as -999";
    m->missing = shown;
  } else {
    return "no model option '" + std::string(name) + "'";
  }
  return "";
}

// A stem ends in a letter or "_", so that a name made of it and an occasion reads back one way.
namespace {

// What every name Mplus takes is made of: a letter, then letters, digits and _. `shown` names
// it in the message.
std::string characters_problem(std::string_view name, const std::string& shown) {
  if (!is_letter(name.front())) return shown + " does not start with a letter";
  for (char c : name)
    if (!is_letter(c) && !is_digit(c) && c != '_')
      return shown + " holds a character other than letters, digits and _";
  return "";
}

}  // namespace

std::string stem_problem(std::string_view stem) {
  const std::string shown = "the name '" + std::string(stem) + "'";
  if (stem.empty()) return "a variable's name is empty";
  if (std::string problem = characters_problem(stem, shown); !problem.empty()) return problem;
  if (is_digit(stem.back()))
    return shown + " ends in a digit, which would run into the occasions (" + std::string(stem) +
           "1 ...)";
  if (stem.size() > 6)
    return shown + " is too long: its level at occasion 1 would be l" + std::string(stem) +
           "1, longer than the 8 characters Mplus allows";
  return "";
}

// Names ending in an occasion clash when their stems' prefixes do; the slopes (sy) clash only
// where the stems are the same, which the first of those already is.
std::string stems_clash(std::string_view y, std::string_view x) {
  const VariableNames a(y), b(x);
  for (const std::string* p : {&a.stem, &a.level, &a.difference})
    for (const std::string* q : {&b.stem, &b.level, &b.difference})
      if (lower_case(*p) == lower_case(*q))
        return "the names '" + std::string(y) + "' and '" + std::string(x) +
               "' would both declare " + *p + "1";
  return "";
}

std::string stem_length_problem(const Model& model, std::int64_t occasions) {
  if (!model.named) return "";
  for (const std::string* stem : {&model.y_name, &model.x_name}) {
    if (stem == &model.x_name && model.kind == ModelKind::Univariate) break;
    const std::string longest = "l" + *stem + digits(occasions);
    if (longest.size() > 8)
      return "with " + digits(occasions) + " occasions the name '" + *stem + "' makes " + longest +
             ", longer than the 8 characters Mplus allows";
  }
  return "";
}

std::string in_words(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (k > 0) text += k + 1 == items.size() ? " and " : ", ";
    text += items[k];
  }
  return text;
}

std::string lower_case(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

bool same_name(std::string_view a, std::string_view b) {
  return lower_case(a) == lower_case(b);
}

std::string column_name_problem(std::string_view name) {
  const std::string shown = "the column name '" + std::string(name) + "'";
  if (name.empty()) return "a column's name is empty";
  if (std::string problem = characters_problem(name, shown); !problem.empty()) return problem;
  if (name.size() > 8) return shown + " is longer than the 8 characters Mplus allows";
  return "";
}

// Counts reach 2^31: the observed variables are worked out one at a time, never listed.
std::int64_t observed_count(const Model& model, std::int64_t occasions) {
  return model.kind == ModelKind::Bivariate ? 2 * occasions : occasions;
}

std::string observed_name(const Model& model, std::int64_t place, std::int64_t occasions) {
  return place < occasions ? model.y_name + digits(place + 1)
                           : model.x_name + digits(place - occasions + 1);
}

std::string observed_match(const Model& model, std::string_view name, std::int64_t occasions) {
  std::size_t stem = name.size();
  while (stem > 0 && is_digit(name[stem - 1])) --stem;
  const std::string_view number = name.substr(stem);
  if (number.empty() || number.size() > 10 || number.front() == '0') return "";
  std::int64_t occasion = 0;
  for (char c : number) occasion = occasion * 10 + (c - '0');
  if (occasion > occasions) return "";
  for (const std::string* s : {&model.y_name, &model.x_name}) {
    if (s == &model.x_name && model.kind == ModelKind::Univariate) break;
    if (same_name(name.substr(0, stem), *s)) return *s + digits(occasion);
  }
  return "";
}

namespace {

// Whether a column's name is one the model gives a latent variable: ly3, dx1, y0, sy.
bool latent_name(const Model& model, std::string_view column, std::int64_t occasions) {
  const std::string name = lower_case(column);
  for (const std::string* stem : {&model.y_name, &model.x_name}) {
    if (stem == &model.x_name && model.kind == ModelKind::Univariate) break;
    const VariableNames v(lower_case(*stem));
    if (name == v.initial || name == v.slope) return true;
    for (const std::string* prefix : {&v.level, &v.difference}) {
      if (name.size() <= prefix->size() || name.compare(0, prefix->size(), *prefix) != 0) continue;
      const std::string_view number = std::string_view(name).substr(prefix->size());
      // Columns have at most 8 characters, so the number is small.
      if (number.front() == '0' || !std::all_of(number.begin(), number.end(), is_digit)) continue;
      std::int64_t occasion = 0;
      for (char c : number) occasion = occasion * 10 + (c - '0');
      if (occasion <= occasions) return true;
    }
  }
  return false;
}

}  // namespace

std::string columns_problem(const Model& model, std::int64_t occasions) {
  if (model.columns.empty()) return "";
  // Each column is at most one observed variable: the first one lacking comes soon.
  for (std::int64_t place = 0; place < observed_count(model, occasions); ++place) {
    const std::string name = observed_name(model, place, occasions);
    const bool listed = std::any_of(model.columns.begin(), model.columns.end(),
                                    [&](const std::string& c) { return same_name(c, name); });
    if (!listed)
      return "the data file's columns lack " + name + ", one of the model's " + digits(occasions) +
             " occasions: list every column of the file in order";
  }
  for (const std::string& column : model.columns)
    if (latent_name(model, column, occasions))
      return "the column '" + column +
             "' has the name of one of the model's latent variables: rename it";
  return "";
}

std::string model_count_problem(const Model& model, std::int64_t occasions) {
  if (std::string problem = stem_length_problem(model, occasions); !problem.empty()) return problem;
  return columns_problem(model, occasions);
}

std::string add_start(Model* model, std::string_view text) {
  const std::size_t equals = text.find('=');
  const std::string shown = "the starting value '" + std::string(text) + "'";
  if (equals == std::string_view::npos) return shown + " is not LABEL=VALUE";
  const std::string_view label = text.substr(0, equals), value = text.substr(equals + 1);
  if (label.empty() || label.size() > 2 || !std::all_of(label.begin(), label.end(), is_digit))
    return shown + " names no label: a label is a number such as 1";
  if (!is_decimal(value)) return shown + " is not a decimal number such as -0.2";
  int number = 0;
  for (char c : label) number = number * 10 + (c - '0');
  model->starts[number] = std::string(value);
  return "";
}

std::string starts_problem(const Model& model) {
  const std::vector<int> labels = model.labels();
  for (const auto& [label, value] : model.starts)
    if (std::find(labels.begin(), labels.end(), label) == labels.end())
      return "the model has no label " + std::to_string(label) + ": its labels are " +
             in_words(labels);
  return "";
}

std::string model_problem(const Model& model) {
  if (model.kind == ModelKind::Bivariate) {
    if (std::string clash = stems_clash(model.y_name, model.x_name); !clash.empty()) return clash;
  }
  if (!model.id.empty()) {
    const std::string id = lower_case(model.id);
    if (std::none_of(model.columns.begin(), model.columns.end(),
                     [&](const std::string& c) { return same_name(c, id); }))
      return "the ID column '" + model.id + "' is not one of the data file's columns";
    const std::string stem = id.substr(0, id.find_last_not_of("0123456789") + 1);
    const bool observed =
        stem.size() < id.size() &&
        (stem == lower_case(model.y_name) ||
         (model.kind == ModelKind::Bivariate && stem == lower_case(model.x_name)));
    if (observed && id[stem.size()] != '0')
      return "the ID column '" + model.id + "' is one of the model's variables";
  }
  return starts_problem(model);
}

std::int64_t free_parameters(const Model& m) {
  const bool bi = m.kind == ModelKind::Bivariate;
  const std::int64_t factors = 1 + bi + m.slope(false) + (bi && m.slope(true));
  return factors + factors * (factors + 1) / 2 + m.proportional(false) +
         (bi ? m.proportional(true) + m.coupled_into(true) + m.coupled_into(false) + 3 : 1);
}

// The rule was found from the rank of the Jacobian of the implied means and covariances with
// respect to the free parameters, for every variant at 2 to 4 occasions (the SEM tests check it).
std::optional<std::int64_t> identified_from(const Model& m) {
  const bool bi = m.kind == ModelKind::Bivariate;
  // A level that never changes adds the same to every difference score it is coupled to, as a
  // slope does: the two can't be told apart at any count.
  for (bool x : {false, true})
    if (m.coupled_into(x) && !m.differences(!x) && m.slope(x)) return std::nullopt;
  const int slopes = m.slope(false) + (bi && m.slope(true));
  if (slopes == 0) return 2;
  // One constant slope is found at 2 occasions when its variable's level predicts the other's
  // change and nothing predicts its own.
  if (bi && slopes == 1) {
    const bool x = m.slope(true);
    if (m.change(x) == Change::Constant && !m.coupled_into(x) && m.coupled_into(!x)) return 2;
  }
  return 3;
}

std::vector<std::string> occasions_warnings(const Model& model, std::int32_t occasions) {
  const bool bivariate = model.kind == ModelKind::Bivariate;
  // Dual change in both variables is estimated at 3 occasions only with difficulty, whatever
  // the coupling; 4 or more are recommended.
  const bool dual_pair =
      bivariate && model.y_change == Change::Dual && model.x_change == Change::Dual;
  std::vector<std::string> warnings;
  const std::optional<std::int64_t> fewest = identified_from(model);
  const std::string count = std::to_string(occasions) + " occasions";
  if (!fewest) {
    const bool into_x = model.coupled_into(true) && !model.differences(false);
    const std::string& from = into_x ? model.y_name : model.x_name;
    const std::string& to = into_x ? model.x_name : model.y_name;
    warnings.push_back("the model is not identified with any number of occasions: the level of " +
                       from + " never changes, so its coupling to the change of " + to +
                       " can't be told apart from the slope of " + to);
  } else if (occasions < *fewest) {
    const std::string needed = std::to_string(*fewest) + " or more occasions are needed";
    // Only a few occasions are ever too few, so the count of moments stays small.
    const std::int64_t variables = bivariate ? 2 * std::int64_t{occasions} : occasions;
    const std::int64_t moments = variables + variables * (variables + 1) / 2;
    const std::string why = free_parameters(model) > moments
                                ? ": it has more parameters than the data have means and "
                                  "covariances; "
                                : "; ";
    warnings.push_back(
        "the model is not identified with " + count + why +
        (dual_pair ? needed + ", and 4 or more are recommended for the bivariate model" : needed));
  } else if (occasions == 3 && dual_pair) {
    warnings.push_back(
        "the bivariate model is identified with 3 occasions but hard to estimate; "
        "4 or more occasions are recommended");
  }
  if (occasions >= 1000000 && !model.named) {
    warnings.push_back("names such as l" + model.y_name + std::to_string(occasions) +
                       " are longer than the 8 characters Mplus allows for a name");
  }
  return warnings;
}

}  // namespace ldsgen

// The description of a model that every writer and check takes: which variables, their names,
// which parts of change each has, which way the variables are coupled, and starting values.
// Built with no options, it is the model ldsgen has always written.
#ifndef LDSGEN_MODEL_H_
#define LDSGEN_MODEL_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ldsgen {

/// The variables a script measures: y alone, or y and x.
enum class ModelKind { Univariate = 0, Bivariate = 1 };

/// The parts of a variable's change: a constant slope, proportional change of the level, both
/// (dual) or neither (the level stays as it was).
enum class Change { Dual, Proportional, Constant, None };

/// Which level predicts which variable's change in the bivariate model.
enum class Coupling { Both, YToX, XToY, None };

/// The names of one variable's statements, all made from its stem: y1, ly1, dy1, y0 and sy.
struct VariableNames {
  explicit VariableNames(std::string_view stem);
  std::string stem, level, difference, slope, initial;
};

struct Model {
  Model() = default;
  /// The model of that kind as ldsgen has always written it.
  Model(ModelKind k) : kind(k) {}  // NOLINT(google-explicit-constructor): a kind is a model

  ModelKind kind = ModelKind::Univariate;
  std::string y_name = "y", x_name = "x";
  Change y_change = Change::Dual, x_change = Change::Dual;
  Coupling coupling = Coupling::Both;
  /// Starting values by equality label, as typed.
  std::map<int, std::string> starts;
  /// Whether a stem was chosen, so that a count making its names too long is refused.
  bool named = false;
  /// The data file's columns in order, the model's observed variables among them; empty when the
  /// file holds just those. The ID column, if any, is one of them.
  std::vector<std::string> columns;
  std::string id;
  /// How the data file marks a missing value: "." (Mplus's own), "*", or a number such as -999.
  std::string missing = ".";

  Change change(bool x) const { return x ? x_change : y_change; }
  bool slope(bool x) const;
  bool proportional(bool x) const;
  /// Whether the other variable's level predicts this one's change.
  bool coupled_into(bool x) const;
  /// Whether the variable has difference scores at all: only when something changes it.
  bool differences(bool x) const { return slope(x) || proportional(x) || coupled_into(x); }
  /// The equality labels this model's statements carry, in order.
  std::vector<int> labels() const;
  /// The starting value written after a label's `*`; empty when none was given.
  std::string_view start(int label) const;
};

/// The latent variables of one variable that predict nothing, which SEM engines let covary by
/// default: its difference scores (occasions 1 to N-1) when no slope loads on them, its last level
/// when it has no difference scores, else none (first > last).
struct FinalLatents {
  bool levels;
  std::int64_t first, last;
};
FinalLatents final_latents(const Model& model, bool x, std::int64_t occasions);
/// Whether any two of them are there to be kept from covarying.
bool has_final_pairs(const Model& model, std::int64_t occasions);

/// A label's name by its meaning, for writers that name parameters: beta_y, gamma_yx, resvar_y.
std::string label_name(const Model& model, int label);

/// Names for the change kinds and couplings, as options and the page spell them.
std::optional<Change> change_argument(std::string_view word);
std::optional<Coupling> coupling_argument(std::string_view word);

/// Sets one of the model's options by its name: y-name, x-name, change (both variables),
/// y-change, x-change, coupling or start (LABEL=VALUE, one more each time). Why the value is
/// refused; empty when it is taken.
std::string set_model_option(Model* model, std::string_view name, std::string_view value);

/// Why a stem can't name a variable; empty when it can.
std::string stem_problem(std::string_view stem);
/// Why two stems can't name the two variables of one script (a name both would declare).
std::string stems_clash(std::string_view y, std::string_view x);
/// Why a chosen stem makes a name longer than Mplus allows at this count; empty if none does.
std::string stem_length_problem(const Model& model, std::int64_t occasions);
/// Items as a sentence lists them: "1", "1 and 2", "1, 2 and 3". Messages name things so.
std::string in_words(const std::vector<std::string>& items);
template <typename T>
std::string in_words(const std::vector<T>& numbers) {
  std::vector<std::string> items;
  for (const T& n : numbers) items.push_back(std::to_string(n));
  return in_words(items);
}

/// Whether two names are one to Mplus, which reads names in any case.
bool same_name(std::string_view a, std::string_view b);
/// A name in lower case, as names are compared and as ldsgen writes them.
std::string lower_case(std::string_view name);
/// Why a name can't be a column of the data file in Mplus; empty when it can.
std::string column_name_problem(std::string_view name);
/// Why the data file's columns, as given, don't fit the model at this count: an observed variable
/// missing, a column named as one of the model's latent variables; empty when they fit.
std::string columns_problem(const Model& model, std::int64_t occasions);
/// Why a count is refused for this model: names too long or columns that don't fit.
std::string model_count_problem(const Model& model, std::int64_t occasions);
/// How many observed variables the model has at this count: y1 ... yN, x1 ... xN.
std::int64_t observed_count(const Model& model, std::int64_t occasions);
/// The observed variable at this place in that order (from 0), as the script names it.
std::string observed_name(const Model& model, std::int64_t place, std::int64_t occasions);
/// The observed variable a name is, in any case, as the script names it; empty if none.
std::string observed_match(const Model& model, std::string_view name, std::int64_t occasions);
/// Why a starting value "LABEL=VALUE" is refused; else stores it in the model and returns "".
std::string add_start(Model* model, std::string_view text);
/// Why the starting values given do not fit the model's labels; empty when they all do.
std::string starts_problem(const Model& model);
/// Why the model as chosen can't be written (stems that clash, labels it lacks); empty if none.
std::string model_problem(const Model& model);

/// The free parameters of the model, those held equal by a label counted once.
std::int64_t free_parameters(const Model& model);
/// The fewest occasions at which the model is identified; none when no count identifies it.
std::optional<std::int64_t> identified_from(const Model& model);
/// What a researcher should know about a count that is taken: models that can't be estimated,
/// names Mplus won't accept.
std::vector<std::string> occasions_warnings(const Model& model, std::int32_t occasions);

}  // namespace ldsgen

#endif  // LDSGEN_MODEL_H_

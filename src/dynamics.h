// What a change model says about change: from the values of its parameters (typed, or read from
// Mplus's output), the expected level of each variable over the occasions, with bands of one
// implied standard deviation, where the levels settle and how, and for two variables the field
// of expected changes.
#ifndef LDSGEN_DYNAMICS_H_
#define LDSGEN_DYNAMICS_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model.h"

namespace ldsgen {

/// The initial levels and slopes, as the values index them.
enum Factor { kY0 = 0, kSy = 1, kX0 = 2, kSx = 3 };

/// Values of the parameters that say how the model changes, each known or not.
struct Estimates {
  std::array<std::optional<double>, 4> mean;  // by Factor
  std::array<std::optional<double>, 2> beta;  // proportional change of y, of x
  /// The couplings into y's change (from x's level) and into x's change (from y's level).
  std::array<std::optional<double>, 2> coupling;
  std::array<std::array<std::optional<double>, 4>, 4> cov;  // kept symmetric
};

/// The keys of the values a model has, in the order a page shows them: mean-y0, mean-sy, beta-y,
/// (mean-x0, mean-sx, beta-x, coupling-y-to-x, coupling-x-to-y,) var-y0, cov-y0-sy, ...
std::vector<std::string> estimate_keys(const Model& model);
/// What a key's value is, in words: "the mean of the initial level of y".
std::string estimate_meaning(const Model& model, std::string_view key);
/// The meanings of some keys as one list in words: "the mean of the initial level of y and the
/// proportional change of y".
std::string meanings(const Model& model, const std::vector<std::string>& keys);
/// The values the model's starting values give: a proportional change or a coupling whose label
/// has one. Pairs of a key and the value as typed.
std::vector<std::pair<std::string, std::string>> starting_estimates(const Model& model);
/// Sets a value by its key. Why it is refused; empty when it is taken.
std::string set_estimate(Estimates* values, std::string_view key, std::string_view value);
/// The value of a key, if known.
std::optional<double> estimate(const Estimates& values, std::string_view key);

/// The keys of the values the expected levels need and lack: means, proportional changes and
/// couplings. (Without variances the levels are drawn without bands.)
std::vector<std::string> missing_estimates(const Model& model, const Estimates& values);

/// The most occasions the dynamics are worked out for: a table and a figure of more would
/// only take memory.
constexpr std::int64_t kMostDynamicsOccasions = 100000;
/// Why the dynamics can't be worked out for this many occasions; empty when they can.
std::string dynamics_count_problem(std::int64_t occasions);

/// The expected levels of y (and x) at occasions 1..N, and one implied standard deviation of
/// each where the variances it takes are known.
struct Trajectory {
  std::array<std::vector<double>, 2> mean;
  std::array<std::vector<double>, 2> sd;  // empty when unknown
};
Trajectory trajectory(const Model& model, const Estimates& values, std::int64_t occasions);

/// Where the expected levels settle, and how, in words; from the eigenvalues of the change
/// matrix for two variables.
std::string regime(const Model& model, const Estimates& values);

/// The trajectory table: occasion, then each variable's mean, lower and upper, in 6 significant
/// digits, lower and upper empty where the variances are unknown.
std::string trajectory_csv(const Model& model, const Trajectory& t);

/// The figure: the expected trajectories, and for two variables the vector field under them.
std::string dynamics_svg(const Model& model, const Estimates& values, const Trajectory& t);

}  // namespace ldsgen

#endif  // LDSGEN_DYNAMICS_H_

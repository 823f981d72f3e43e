// The univariate latent difference score model, and the change block that models one measured
// variable over the occasions, which the bivariate model writes once for each of its variables.
#ifndef LDSGEN_UNIVARIATE_H_
#define LDSGEN_UNIVARIATE_H_

#include <cstdint>

namespace ldsgen {

class ScriptWriter;
struct Model;

/// Levels, autoregression, difference scores, proportional change, slope, initial level and the
/// fixed means and variances of one variable (x when `x`, else y).
void write_change_block(ScriptWriter& w, const Model& model, bool x, std::int64_t occasions);

/// The covariances, fixed at 0, of the latent variables that predict nothing, which SEM engines
/// would otherwise free.
void write_final_covariances(ScriptWriter& w, const Model& model, std::int64_t occasions);

/// The MODEL body of the univariate model: the change block of y, then its free initial level
/// and slope and its equal residual variances.
void write_univariate_body(ScriptWriter& w, const Model& model, std::int64_t occasions);

}  // namespace ldsgen

#endif  // LDSGEN_UNIVARIATE_H_

// The bivariate latent difference score model: two variables, each with its own change block,
// whose difference scores are coupled to the other variable's levels.
#ifndef LDSGEN_BIVARIATE_H_
#define LDSGEN_BIVARIATE_H_

#include <cstdint>

namespace ldsgen {

class ScriptWriter;
struct Model;

/// The MODEL body of the bivariate model: the change blocks of y and x, the couplings, and the
/// residual variances and covariances.
void write_bivariate_body(ScriptWriter& w, const Model& model, std::int64_t occasions);

}  // namespace ldsgen

#endif  // LDSGEN_BIVARIATE_H_

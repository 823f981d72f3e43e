// Feeds arbitrary bytes to the readers of files ldsgen did not write: as the beginning of a data
// file, checked against both models, and as an Mplus output, whose dynamics are then worked out
// and drawn. Nothing may crash or hang, and the figure must hold no number that is not one.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data_file.h"
#include "dynamics.h"
#include "mplus_output.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const ldsgen::ModelKind kind :
       {ldsgen::ModelKind::Univariate, ldsgen::ModelKind::Bivariate}) {
    ldsgen::DataBeginning beginning;
    beginning.status = ldsgen::DataBeginning::kRead;
    beginning.text = text;
    beginning.whole = size % 2 == 0;
    const ldsgen::Model model(kind);
    const ldsgen::DataSample sample = ldsgen::check_data(beginning, model, 4);
    if (ldsgen::propose_columns(sample, model, 4).size() < sample.columns) std::abort();
  }
  const ldsgen::MplusResults r = ldsgen::read_mplus_output(text);
  if (r.error.empty()) {
    // Few occasions: the count is the output's own, which the console caps before this.
    const std::int64_t n = std::min<std::int64_t>(r.occasions, 60);
    const ldsgen::Trajectory t = ldsgen::trajectory(r.model, r.values, n);
    const std::string svg = ldsgen::dynamics_svg(r.model, r.values, t);
    if (svg.find("nan") != std::string::npos || svg.find("inf\"") != std::string::npos)
      std::abort();
    ldsgen::trajectory_csv(r.model, t);
  }
  return 0;
}

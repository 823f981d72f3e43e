#include "bivariate.h"

#include <string>

#include "model.h"
#include "script_writer.h"
#include "univariate.h"

namespace ldsgen {

namespace {

// The coupling into one variable's change from the other's level, under its comment.
void write_coupling(ScriptWriter& w, const Model& model, bool into_x, std::int64_t n) {
  if (!model.coupled_into(into_x)) return;
  const VariableNames to(into_x ? model.x_name : model.y_name);
  const VariableNames from(into_x ? model.y_name : model.x_name);
  const std::string_view label = into_x ? "(3);" : "(4);";
  const std::string_view start = model.start(into_x ? 3 : 4);
  w.line();
  w.line("!coupling from ", from.stem, " to ", to.stem);
  for_each_occasion(w, 1, n - 1, [&](Index i) {
    w.line(to.difference, i, " on ", from.level, i, "*", start, label);
  });
}

}  // namespace

void write_bivariate_body(ScriptWriter& w, const Model& model, std::int64_t occasions) {
  const std::int64_t n = occasions;
  const VariableNames y(model.y_name), x(model.x_name);
  write_change_block(w, model, false, n);
  w.line("!beginning the codes for ", x.stem, " variables");
  write_change_block(w, model, true, n);
  write_coupling(w, model, true, n);
  write_coupling(w, model, false, n);
  write_final_covariances(w, model, n);
  // The initial levels, then the slopes there are.
  std::string factors = y.initial + " " + x.initial;
  if (model.slope(false)) factors += " " + y.slope;
  if (model.slope(true)) factors += " " + x.slope;
  w.line("[", factors, "];");
  w.line(factors, ";");
  w.line("!Set all residuals to be equal");
  const std::string_view ry = model.start(5), rx = model.start(6), rc = model.start(7);
  for_each_occasion(
      w, 1, n, [&](Index i) { w.line(y.stem, i, "*", ry, " (5);", x.stem, i, "*", rx, " (6);"); });
  w.line("! Set the correlated residuals");
  for_each_occasion(w, 1, n,
                    [&](Index i) { w.line(y.stem, i, " with ", x.stem, i, "*", rc, " (7);"); });
}

}  // namespace ldsgen

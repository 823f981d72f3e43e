#include "univariate.h"

#include "model.h"
#include "script_writer.h"

namespace ldsgen {

void write_change_block(ScriptWriter& w, const Model& model, bool x, std::int64_t n) {
  const VariableNames v(x ? model.x_name : model.y_name);
  const std::string_view y = v.stem, ly = v.level, dy = v.difference;
  const std::string_view start = model.start(x ? 2 : 1);
  const bool differences = model.differences(x);
  w.line("!For the variable ", y);
  w.line("!Oberved variables and latent level");
  for_each_occasion(w, 1, n, [&](Index i) { w.line(ly, i, " by ", y, i, " @1;"); });
  w.line("!Autoregressive part");
  for_each_occasion(w, 2, n, [&](Index i) { w.line(ly, i, " on ", ly, i - 1, " @1;"); });
  if (differences) {
    w.line("!Difference score on latent level");
    for_each_occasion(w, 1, n - 1, [&](Index i) { w.line(dy, i, " by ", ly, i + 1, " @1;"); });
  }
  if (model.proportional(x)) {
    w.line("!Auto-porpotion of difference score on level");
    w.line("! add the starting values after *");
    const std::string_view label = x ? " (2);" : " (1);";
    for_each_occasion(w, 1, n - 1,
                      [&](Index i) { w.line(dy, i, " on ", ly, i, " *", start, label); });
  }
  if (model.slope(x)) {
    w.line("!Model relationship between slope and ds");
    for_each_occasion(w, 1, n - 1, [&](Index i) { w.line(v.slope, " by ", dy, i, " @1;"); });
  }
  w.line(v.initial, " by ", ly, "1 @1;");
  // Users' scripts carry x's means comment with its odd leading blank, so it stays.
  w.line(x ? " !Set the means and variance to be 0" : "! Set the means and variance to be 0");
  for_each_occasion(w, 1, n - 1, [&](Index i) {
    if (differences) {
      w.line("[", y, i, "@0]; [", ly, i, "@0]; [", dy, i, "@0]; ", ly, i, "@0; ", dy, i, "@0;");
    } else {
      w.line("[", y, i, "@0]; [", ly, i, "@0]; ", ly, i, "@0;");
    }
  });
  // The last occasion has no difference score.
  const Index last(n);
  w.line("[", y, last, "@0]; [", ly, last, "@0];", ly, last, "@0;");
}

// SEM engines let latent variables that predict nothing covary by default; these don't.
void write_final_covariances(ScriptWriter& w, const Model& model, std::int64_t n) {
  if (!has_final_pairs(model, n)) return;
  w.line("!Set the covariances of the latent variables that predict nothing to be 0");
  for_each_final_pair(w, model, n, [&](std::string_view a, Index i, std::string_view b, Index j) {
    w.line(a, i, " with ", b, j, "@0;");
  });
}

void write_univariate_body(ScriptWriter& w, const Model& model, std::int64_t occasions) {
  write_change_block(w, model, false, occasions);
  write_final_covariances(w, model, occasions);
  const VariableNames y(model.y_name);
  if (model.slope(false)) {
    w.line("[", y.initial, " ", y.slope, "];");
    w.line(y.initial, " ", y.slope, ";");
  } else {
    w.line("[", y.initial, "];");
    w.line(y.initial, ";");
  }
  w.line("!Set all residuals to be equal");
  const std::string_view start = model.start(2);
  for_each_occasion(w, 1, occasions, [&](Index i) { w.line(y.stem, i, "*", start, " (2);"); });
}

}  // namespace ldsgen

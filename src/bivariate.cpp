#include "bivariate.h"

#include "script_writer.h"
#include "univariate.h"

namespace ldsgen {

void write_bivariate_body(ScriptWriter& w, std::int64_t occasions) {
  const std::int64_t n = occasions;
  write_change_block(w, Letter::Y, n);
  w.line("!beginning the codes for x variables");
  write_change_block(w, Letter::X, n);
  w.line();
  w.line("!coupling from y to x");
  for_each_occasion(w, 1, n - 1, [&](Index i) { w.line("dx", i, " on ly", i, "*(3);"); });
  w.line();
  w.line("!coupling from x to y");
  for_each_occasion(w, 1, n - 1, [&](Index i) { w.line("dy", i, " on lx", i, "*(4);"); });
  w.line("[y0 x0 sy sx];");
  w.line("y0 x0 sy sx;");
  w.line("!Set all residuals to be equal");
  for_each_occasion(w, 1, n, [&](Index i) { w.line("y", i, "* (5);", "x", i, "* (6);"); });
  w.line("! Set the correlated residuals");
  for_each_occasion(w, 1, n, [&](Index i) { w.line("y", i, " with x", i, "* (7);"); });
}

}  // namespace ldsgen

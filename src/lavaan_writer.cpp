#include "lavaan_writer.h"

#include <algorithm>

#include "model.h"
#include "script_writer.h"

namespace ldsgen {

bool is_ldsgen_lavaan(std::string_view start) {
  return start.empty() || start.rfind(kLavaanHead, 0) == 0;
}

std::vector<std::string> r_strings(std::string_view name, std::size_t width) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
    name = name.substr(1, name.size() - 2);
  std::vector<std::string> pieces(1, "\"");
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool escaped = c == '\\' || c == '"';
    // A character's UTF-8 bytes stay in one literal: R refuses half a character.
    std::size_t bytes = 1;
    while (i + bytes < name.size() && (static_cast<unsigned char>(name[i + bytes]) & 0xC0) == 0x80)
      ++bytes;
    if (pieces.back().size() + escaped + bytes + 1 > width && pieces.back().size() > 1) {
      pieces.back() += '"';
      pieces.emplace_back("\"");
    }
    if (escaped) pieces.back() += '\\';
    pieces.back().append(name.substr(i, bytes));
    i += bytes - 1;
  }
  pieces.back() += '"';
  return pieces;
}

namespace {

// R's lines are kept within 80 columns.
constexpr std::size_t kWidth = 80;

// "y1", "y2", ... for the columns, wrapped within 80 columns, x's on lines of their own as in
// the Mplus script; or the data file's own columns, in their order. (The lines' widths are
// state: this is never written by a counting writer.)
void write_columns(ScriptWriter& w, const Model& model, std::int64_t n) {
  const bool bivariate = model.kind == ModelKind::Bivariate;
  std::size_t width = 0;  // of the line being written
  // One quoted name, made of its pieces, on the line if it fits.
  auto entry = [&](bool last, const auto&... name) {
    const std::size_t size = (std::size_t{3} + ... + name.size());
    if (width > 0 && width + 1 + size > kWidth) {
      w.line();
      width = 0;
    }
    w.part(width == 0 ? "  \"" : " \"", name..., last ? "\")" : "\",");
    width += (width == 0 ? 2 : 1) + size;
  };
  auto names = [&](std::string_view stem, bool last_variable) {
    for_each_occasion(w, 1, n, [&](Index i) { entry(last_variable && i.value() == n, stem, i); });
  };
  w.line("columns <- c(");
  if (!model.columns.empty()) {
    for (std::size_t k = 0; k < model.columns.size(); ++k)
      entry(k + 1 == model.columns.size(), std::string_view(model.columns[k]));
  } else {
    names(model.y_name, !bivariate);
    if (bivariate) {
      w.line();
      width = 0;
      names(model.x_name, true);
    }
  }
  w.line();
}

// A term with a label and, where one was given, its starting value in a term of its own:
// lavaan takes one modifier a term.
void write_labelled(ScriptWriter& w, std::string_view lhs, const Index& i, std::string_view op,
                    std::string_view label, std::string_view start, std::string_view rhs,
                    const Index& j) {
  if (start.empty()) {
    w.line(lhs, i, op, label, "*", rhs, j);
  } else {
    w.line(lhs, i, op, label, "*", rhs, j, " + start(", start, ")*", rhs, j);
  }
}

void write_change_block(ScriptWriter& w, const Model& m, bool x, std::int64_t n) {
  const VariableNames v(x ? m.x_name : m.y_name);
  const std::string_view y = v.stem, ly = v.level, dy = v.difference;
  const bool differences = m.differences(x);
  w.line("# For the variable ", y);
  w.line("# Observed variables and latent levels");
  for_each_occasion(w, 1, n, [&](Index i) { w.line(ly, i, " =~ 1*", y, i); });
  w.line("# Autoregressive part");
  for_each_occasion(w, 2, n, [&](Index i) { w.line(ly, i, " ~ 1*", ly, i - 1); });
  if (differences) {
    w.line("# Difference scores on latent levels");
    for_each_occasion(w, 1, n - 1, [&](Index i) { w.line(dy, i, " =~ 1*", ly, i + 1); });
  }
  if (m.proportional(x)) {
    w.line("# Proportional change: the difference score on the level");
    const std::string label = label_name(m, x ? 2 : 1);
    const std::string_view start = m.start(x ? 2 : 1);
    for_each_occasion(w, 1, n - 1,
                      [&](Index i) { write_labelled(w, dy, i, " ~ ", label, start, ly, i); });
  }
  if (m.slope(x)) {
    w.line("# The slope: constant change in every difference score");
    for_each_occasion(w, 1, n - 1, [&](Index i) { w.line(v.slope, " =~ 1*", dy, i); });
  }
  w.line("# The initial level");
  w.line(v.initial, " =~ 1*", ly, "1");
  w.line("# Means and variances fixed at 0 (means, then variances, at each occasion)");
  for_each_occasion(w, 1, n - 1, [&](Index i) {
    if (differences) {
      w.line(y, i, " ~ 0*1; ", ly, i, " ~ 0*1; ", dy, i, " ~ 0*1");
      w.line(ly, i, " ~~ 0*", ly, i, "; ", dy, i, " ~~ 0*", dy, i);
    } else {
      w.line(y, i, " ~ 0*1; ", ly, i, " ~ 0*1");
      w.line(ly, i, " ~~ 0*", ly, i);
    }
  });
  const Index last(n);
  w.line(y, last, " ~ 0*1; ", ly, last, " ~ 0*1");
  w.line(ly, last, " ~~ 0*", ly, last);
}

void write_coupling(ScriptWriter& w, const Model& m, bool into_x, std::int64_t n) {
  if (!m.coupled_into(into_x)) return;
  const VariableNames to(into_x ? m.x_name : m.y_name), from(into_x ? m.y_name : m.x_name);
  const std::string label = label_name(m, into_x ? 3 : 4);
  const std::string_view start = m.start(into_x ? 3 : 4);
  // No apostrophe here: the model is one string in single quotes.
  w.line("# Coupling from ", from.stem, " to ", to.stem, ": ", from.stem, " level on ", to.stem,
         " change");
  for_each_occasion(w, 1, n - 1, [&](Index i) {
    write_labelled(w, to.difference, i, " ~ ", label, start, from.level, i);
  });
}

void write_final_covariances(ScriptWriter& w, const Model& m, std::int64_t n) {
  if (!has_final_pairs(m, n)) return;
  w.line("# Latent variables that predict nothing do not covary");
  for_each_final_pair(w, m, n, [&](std::string_view a, Index i, std::string_view b, Index j) {
    w.line(a, i, " ~~ 0*", b, j);
  });
}

// The initial levels and slopes: free means and variances, and the covariances Mplus frees by
// default, stated.
void write_factors(ScriptWriter& w, const Model& m) {
  std::vector<std::string> factors;
  for (bool x : {false, true}) {
    if (x && m.kind == ModelKind::Univariate) break;
    const VariableNames v(x ? m.x_name : m.y_name);
    factors.push_back(v.initial);
    if (m.slope(x)) factors.push_back(v.slope);
  }
  // Initial levels before slopes, as the Mplus script lists them.
  std::stable_partition(factors.begin(), factors.end(),
                        [](const std::string& f) { return f.back() == '0'; });
  w.line("# Initial levels and slopes: means, variances and covariances");
  for (const std::string& f : factors) w.line(f, " ~ 1");
  for (const std::string& f : factors) w.line(f, " ~~ ", f);
  for (std::size_t a = 0; a < factors.size(); ++a)
    for (std::size_t b = a + 1; b < factors.size(); ++b) w.line(factors[a], " ~~ ", factors[b]);
}

void write_residuals(ScriptWriter& w, const Model& m, std::int64_t n) {
  const bool bivariate = m.kind == ModelKind::Bivariate;
  w.line("# Residual variances, held equal over the occasions");
  for (bool x : {false, true}) {
    if (x && !bivariate) break;
    const int label = bivariate ? (x ? 6 : 5) : 2;
    const std::string name = label_name(m, label);
    const std::string& stem = x ? m.x_name : m.y_name;
    for_each_occasion(w, 1, n, [&](Index i) {
      write_labelled(w, stem, i, " ~~ ", name, m.start(label), stem, i);
    });
  }
  if (!bivariate) return;
  w.line("# Residual covariances of the two variables at each occasion, held equal");
  const std::string name = label_name(m, 7);
  for_each_occasion(w, 1, n, [&](Index i) {
    write_labelled(w, m.y_name, i, " ~~ ", name, m.start(7), m.x_name, i);
  });
}

}  // namespace

void write_lavaan_script(ScriptWriter& w, const Model& m, std::string_view data_file,
                         std::int64_t n) {
  const bool bivariate = m.kind == ModelKind::Bivariate;
  const Index count(n);
  w.line(kLavaanHead, ": the same model as its Mplus script.");
  w.line("# The ", bivariate ? "bivariate" : "univariate", " latent difference score model, ",
         count, " occasions.");
  if (bivariate) {
    w.line("# The variables: ", m.y_name, " and ", m.x_name, ".");
  } else {
    w.line("# The variable: ", m.y_name, ".");
  }
  w.line("# Run it with Rscript, or source() it in R. Starting values go in start() terms.");
  w.line("library(lavaan)");
  w.line();
  w.line("# The data as Mplus reads them: values separated by blanks or commas, no header,");
  w.line("# \"", std::string_view(m.missing),
         "\" for a missing value; the columns named as in the Mplus script.");
  const std::vector<std::string> path = r_strings(data_file, kWidth - 20);
  if (path.size() == 1) {
    w.line("data_file <- ", path[0]);
  } else {
    w.line("data_file <- paste0(");
    for (std::size_t k = 0; k < path.size(); ++k)
      w.line("  ", path[k], k + 1 < path.size() ? "," : ")");
  }
  write_columns(w, m, n);
  w.line("data <- read.table(text = gsub(\",\", \" \", readLines(data_file)), header = FALSE,");
  w.line("                   col.names = columns, na.strings = \"", std::string_view(m.missing),
         "\")");
  w.line();
  w.line("model <- '");
  write_change_block(w, m, false, n);
  if (bivariate) write_change_block(w, m, true, n);
  write_coupling(w, m, true, n);
  write_coupling(w, m, false, n);
  write_final_covariances(w, m, n);
  write_factors(w, m);
  write_residuals(w, m, n);
  w.line("'");
  w.line();
  w.line("# lavaan() frees nothing of its own: every parameter is stated above.");
  w.line("# Missing values are handled by full-information maximum likelihood.");
  w.line("fit <- lavaan(model, data = data, meanstructure = TRUE, missing = \"fiml\")");
  w.line("summary(fit, fit.measures = TRUE)");
}

}  // namespace ldsgen

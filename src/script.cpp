#include "script.h"

#include "bivariate.h"
#include "univariate.h"

namespace ldsgen {

void write_model_sections(ScriptWriter& w, ModelKind kind, std::int64_t occasions) {
  write_variable_sections(w, kind, occasions);
  if (kind == ModelKind::Univariate) {
    write_univariate_body(w, occasions);
  } else {
    write_bivariate_body(w, occasions);
  }
  write_output_section(w);
}

void write_script(ScriptWriter& w, ModelKind kind, std::string_view data_file,
                  std::int64_t occasions) {
  write_preamble(w);
  write_data_section(w, data_file);
  write_model_sections(w, kind, occasions);
}

}  // namespace ldsgen

#include "script.h"

#include "bivariate.h"
#include "univariate.h"

namespace ldsgen {

void write_model_sections(ScriptWriter& w, const Model& model, std::int64_t occasions) {
  write_variable_sections(w, model, occasions);
  if (model.kind == ModelKind::Univariate) {
    write_univariate_body(w, model, occasions);
  } else {
    write_bivariate_body(w, model, occasions);
  }
  write_output_section(w);
}

void write_script(ScriptWriter& w, const Model& model, std::string_view data_file,
                  std::int64_t occasions) {
  write_preamble(w);
  write_data_section(w, data_file);
  write_model_sections(w, model, occasions);
}

}  // namespace ldsgen

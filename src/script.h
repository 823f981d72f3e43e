// A whole script: the sections in their order. The console writes it piece by piece as the
// answers come in; the web page writes it at once.
#ifndef LDSGEN_SCRIPT_H_
#define LDSGEN_SCRIPT_H_

#include <cstdint>
#include <string_view>

#include "script_writer.h"

namespace ldsgen {

/// Everything after the DATA statement: the variable and analysis sections, the MODEL body of
/// the chosen model and the OUTPUT line.
void write_model_sections(ScriptWriter& w, const Model& model, std::int64_t occasions);

/// The whole script, from the banner to the OUTPUT line.
void write_script(ScriptWriter& w, const Model& model, std::string_view data_file,
                  std::int64_t occasions);

}  // namespace ldsgen

#endif  // LDSGEN_SCRIPT_H_

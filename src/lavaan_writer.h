// The R script that fits a model with lavaan: the same model as the Mplus script for the same
// answers, every parameter stated, run as it is with Rscript.
#ifndef LDSGEN_LAVAAN_WRITER_H_
#define LDSGEN_LAVAAN_WRITER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ldsgen {

class ScriptWriter;
struct Model;

/// Every R script ldsgen writes begins so; the guard knows one by it.
constexpr char kLavaanHead[] = "# lavaan script written by ldsgen";
bool is_ldsgen_lavaan(std::string_view start);

/// A name as R string literals, each within `width` characters with its quotes: backslashes and
/// quotes escaped, and broken only between whole characters. The quotes a name with blanks was
/// typed in are not part of it.
std::vector<std::string> r_strings(std::string_view name, std::size_t width);

/// The whole R script: the data read as the Mplus script reads it, the model, the fit.
void write_lavaan_script(ScriptWriter& w, const Model& model, std::string_view data_file,
                         std::int64_t occasions);

}  // namespace ldsgen

#endif  // LDSGEN_LAVAAN_WRITER_H_

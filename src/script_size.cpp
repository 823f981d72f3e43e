#include "script_size.h"

#include "script.h"

namespace ldsgen {

ScriptSize script_size(const Model& model, std::string_view data_file, std::int64_t occasions) {
  ScriptWriter counter{ScriptWriter::Counting{}};
  write_script(counter, model, data_file, occasions);
  return {counter.bytes(), counter.lines()};
}

}  // namespace ldsgen

// The exact size of a script, worked out from the answers alone, so that a count whose script
// can't fit on the disk is refused before a byte of it is written.
#ifndef LDSGEN_SCRIPT_SIZE_H_
#define LDSGEN_SCRIPT_SIZE_H_

#include <cstdint>
#include <string_view>

#include "script_writer.h"

namespace ldsgen {

struct ScriptSize {
  std::uint64_t bytes = 0;  // with LF line ends
  std::uint64_t lines = 0;  // each one more byte with CR LF
};

/// The size of the whole script for these answers, counted without writing it and as quickly for
/// any count; `occasions` is at least 2.
ScriptSize script_size(const Model& model, std::string_view data_file, std::int64_t occasions);

}  // namespace ldsgen

#endif  // LDSGEN_SCRIPT_SIZE_H_

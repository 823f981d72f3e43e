// Text that comes in blocks, cut into lines: what the readers of scripts and outputs share.
#ifndef LDSGEN_LINES_H_
#define LDSGEN_LINES_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace ldsgen {

/// Hands each whole line of `block` to `line`, without its line end, joined to the start of it
/// that an earlier block ended with (kept in `partial`). A line is read only `longest` bytes
/// far, so that a runaway line costs no more memory than that. What is left of the block, a line
/// not yet ended, stays in `partial`.
template <typename OnLine>
void split_lines(std::string_view block, std::size_t longest, std::string* partial, OnLine line) {
  for (std::size_t end; (end = block.find('\n')) != std::string_view::npos;) {
    std::string_view whole = block.substr(0, end);
    if (!partial->empty()) whole = partial->append(whole.substr(0, longest));
    line(whole.substr(0, longest));
    partial->clear();
    block.remove_prefix(end + 1);
  }
  if (partial->size() < longest) partial->append(block.substr(0, longest - partial->size()));
}

}  // namespace ldsgen

#endif  // LDSGEN_LINES_H_

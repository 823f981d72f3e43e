#include "script_size.h"

#include <algorithm>

namespace ldsgen {

namespace {

using u64 = std::uint64_t;

// The digits of all the numbers first ... last written out; none when last < first.
u64 digits(std::int64_t first, std::int64_t last) {
  u64 total = 0;
  std::int64_t low = 1;
  for (u64 d = 1; low <= last; ++d, low *= 10) {
    const std::int64_t a = std::max(first, low), b = std::min(last, low * 10 - 1);
    if (a <= b) total += static_cast<u64>(b - a + 1) * d;
  }
  return total;
}

// One letter's names "y1 y2 ... yN ", broken before a name that would pass 89 characters: their
// bytes, and the line breaks between them. Names of one digit count fill their lines alike.
void names(std::int64_t n, ScriptSize* size) {
  constexpr u64 kWidth = 89;
  u64 width = 0;  // of the line the names have reached
  std::int64_t low = 1;
  for (u64 d = 1; low <= n; ++d, low *= 10) {
    const u64 count = static_cast<u64>(std::min(n, low * 10 - 1) - low + 1), name = d + 2;
    size->bytes += count * name;
    const u64 per_line = kWidth / name;
    const u64 fit = width == 0 ? per_line : (kWidth - width) / name;
    if (count <= fit) {
      width += count * name;
      continue;
    }
    const u64 breaks = (count - fit + per_line - 1) / per_line;
    size->bytes += breaks;
    size->lines += breaks;
    width = (count - fit - (breaks - 1) * per_line) * name;
  }
}

// NAMES and USEVARIABLE both hold the list: the names, a line end between y's and x's, and ";".
void variable_list(ModelKind kind, std::int64_t n, ScriptSize* size) {
  const u64 bivariate = kind == ModelKind::Bivariate;
  for (u64 letter = 0; letter <= bivariate; ++letter) names(n, size);
  size->bytes += bivariate + 2;
  size->lines += bivariate + 1;
}

// The statements of the change block one by one, for n occasions: 282 bytes of comments and
// fixed lines; levels (12 bytes and two indexes each); autoregressions and difference scores (13
// and i, i-1 or i+1); proportional changes (16 and i twice); slope loadings (13 and i); fixed
// means and variances (35 and i five times); the last occasion's line (20 and N three times).
ScriptSize change_block(u64 n, std::int64_t last) {
  ScriptSize s;
  s.bytes = 282 + 12 * n + 2 * digits(1, last) + (13 + 13 + 16 + 13 + 35) * (n - 1) +
            2 * digits(2, last) + (1 + 1 + 2 + 1 + 5) * digits(1, last - 1) + 20 +
            3 * digits(last, last);
  s.lines = 9 + n + 5 * (n - 1) + 1;
  return s;
}

}  // namespace

ScriptSize script_size(ModelKind kind, std::string_view data_file, std::int64_t occasions) {
  const u64 n = static_cast<u64>(occasions);
  ScriptSize s;
  // The preamble, and the data section whose lines depend on the name.
  s.bytes = 4 * 48 + 1 + 36 + 25;
  s.lines = 7;
  for (const DataLine& line : data_statement(data_file).lines) {
    s.bytes += line.head.size() + line.text.size() + line.tail.size() + 1;
    ++s.lines;
  }
  // The headings of the variable and analysis sections, the MODEL and OUTPUT lines.
  s.bytes += 131;
  s.lines += 7;
  for (int twice = 0; twice < 2; ++twice) variable_list(kind, occasions, &s);
  const ScriptSize block = change_block(n, occasions);
  if (kind == ModelKind::Univariate) {
    // The block, the free mean and variance and their comment, the residual variances.
    s.bytes += block.bytes + 47 + 8 * n + digits(1, occasions);
    s.lines += block.lines + 3 + n;
  } else {
    // Two blocks, 173 bytes of comments and fixed lines, the couplings both ways (14 bytes and i
    // twice), the residual variances and covariances (15 bytes and i twice each).
    s.bytes += 2 * block.bytes + 173 + 2 * (14 * (n - 1) + 2 * digits(1, occasions - 1)) +
               2 * (15 * n + 2 * digits(1, occasions));
    s.lines += 2 * block.lines + 9 + 2 * (n - 1) + 2 * n;
  }
  return s;
}

}  // namespace ldsgen

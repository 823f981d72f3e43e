// The script writer: every line of an Mplus script is written through it, as a row of pieces
// (literal texts, the data file name and decimal integers) that it joins and ends with a line end.
#ifndef LDSGEN_SCRIPT_WRITER_H_
#define LDSGEN_SCRIPT_WRITER_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model.h"

namespace ldsgen {

/// An occasion number in plain decimal, formatted once and then counted up or down in place, and
/// copied into every piece that names it. It holds 64 bits because i+1 steps past the 32-bit
/// range at its end. Span count from 1, so counting never goes below 0.
class Index {
 public:
  explicit Index(std::int64_t value);
  std::int64_t value() const { return value_; }
  const char* data() const { return digits_; }
  std::size_t size() const { return size_; }
  static constexpr std::size_t kWidth = 20;  // "-9223372036854775808"

  /// Steps to the next occasion by counting up the digits in place, which costs far less than
  /// formatting the number anew: loops step through millions of occasions.
  Index& operator++() {
    ++value_;
    for (std::size_t k = size_; k-- > 0;) {
      if (digits_[k] != '9') {
        ++digits_[k];
        return *this;
      }
      digits_[k] = '0';
    }
    digits_[0] = '1';  // 99 became 00: now 100
    digits_[size_++] = '0';
    return *this;
  }

  Index& operator--() {
    --value_;
    std::size_t k = size_;
    while (digits_[--k] == '0') digits_[k] = '9';
    --digits_[k];
    if (digits_[0] == '0' && size_ > 1) std::memmove(digits_, digits_ + 1, --size_);  // 100 to 99
    return *this;
  }

 private:
  std::int64_t value_;
  char digits_[kWidth] = {};
  unsigned char size_;
};

/// The occasion before or after, as the statement tables write them: i - 1, i + 1.
inline Index operator+(Index i, std::int64_t step) {
  return step == 1 ? ++i : Index(i.value() + step);
}
inline Index operator-(Index i, std::int64_t step) {
  return step == 1 ? --i : Index(i.value() - step);
}

/// Where a writer's text goes, in blocks: a file, the web page, a counter.
class Sink {
 public:
  virtual ~Sink() = default;
  /// Takes a whole block; false (with errno set where the system said why) if it could not.
  virtual bool write(const char* data, std::size_t size) = 0;
  /// Hands on what it holds; false if it could not.
  virtual bool flush() { return true; }
};

/// Buffers script text and hands it to a sink in large blocks, so a script of hundreds of
/// megabytes costs few system calls. A failed write is remembered and everything after it is
/// dropped: callers check ok() inside their loops so that a full disk stops a long script at once.
class ScriptWriter {
 public:
  explicit ScriptWriter(Sink& out);
  /// A writer that only counts the bytes and lines it is given, so that the size of a script is
  /// known before it is written; loops over occasions then write one occasion for many.
  struct Counting {};
  explicit ScriptWriter(Counting);
  ScriptWriter(const ScriptWriter&) = delete;
  ScriptWriter& operator=(const ScriptWriter&) = delete;

  /// Appends the pieces and ends the line.
  template <typename... Pieces>
  void line(const Pieces&... pieces) {
    part(pieces..., "\n");
    ++lines_;
  }

  /// Appends the pieces without ending the line.
  template <typename... Pieces>
  void part(const Pieces&... pieces) {
#ifdef LDSGEN_SMALL_WRITER
    // Where size matters more than speed (the web page's core): one call, not inlined copies.
    const std::string_view views[] = {view(pieces)...};
    append_views(views, sizeof...(pieces));
#else
    const std::size_t size = (std::size_t{0} + ... + view(pieces).size());
    if (counting_) {
      bytes_ += size;
      return;
    }
    if (size > kCapacity - used_) {
      (append(view(pieces)), ...);
      return;
    }
    // Room is checked once for the whole line, so the pieces are copied without checks.
    char* end = buffer_.get() + used_;
    ((end = copy(end, pieces)), ...);
    used_ += size;
#endif
  }

  /// Hands all buffered text to the sink and flushes it. Returns ok().
  bool flush();

  bool ok() const {
    return error_.empty();
  }
  bool counting() const {
    return counting_;
  }
  /// What a counting writer was given: bytes with LF line ends, and lines.
  std::uint64_t bytes() const {
    return bytes_;
  }
  std::uint64_t lines() const {
    return lines_;
  }
  /// Counts what `body` writes as written `times` times over.
  template <typename Body>
  void repeat(std::uint64_t times, Body body) {
    const std::uint64_t bytes = bytes_, lines = lines_;
    body();
    bytes_ += (bytes_ - bytes) * (times - 1);
    lines_ += (lines_ - lines) * (times - 1);
  }
  /// Why the sink refused the text; empty while ok().
  const std::string& error() const {
    return error_;
  }

 private:
  static constexpr std::size_t kCapacity = 64 * 1024;

  template <std::size_t N>
  static std::string_view view(const char (&text)[N]) {
    return {text, N - 1};
  }
  static std::string_view view(std::string_view text) {
    return text;
  }
  static std::string_view view(const Index& index) {
    return {index.data(), index.size()};
  }

  template <std::size_t N>
  static char* copy(char* to, const char (&text)[N]) {
    std::memcpy(to, text, N - 1);
    return to + N - 1;
  }
  static char* copy(char* to, std::string_view text) {
    std::memcpy(to, text.data(), text.size());
    return to + text.size();
  }
  // Copying an index's whole array costs less than copying just its digits, whose count varies;
  // the buffer has spare bytes past its capacity for the overhang.
  static char* copy(char* to, const Index& index) {
    std::memcpy(to, index.data(), Index::kWidth);
    return to + index.size();
  }

  void append(std::string_view text);
#ifdef LDSGEN_SMALL_WRITER
  void append_views(const std::string_view* views, std::size_t count);
#endif
  void drain();

  Sink& out_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  std::string error_;
  bool counting_ = false;
  std::uint64_t bytes_ = 0, lines_ = 0;
};

/// Calls body(Index(i)) for i = first ... last, in 64 bits, and stops early once the writer has
/// failed: at the far ends of the integer range a script runs to hundreds of gigabytes.
/// A counting writer calls it once per run of occasions whose numbers, and those of their
/// neighbours i - 1 and i + 1, have as many digits: their lines are all as long.
template <typename Body>
void for_each_occasion(ScriptWriter& w, std::int64_t first, std::int64_t last, Body body) {
  if (!w.counting()) {
    for (Index i(first); i.value() <= last && w.ok(); ++i) body(i);
    return;
  }
  // Counts of occasions are 32-bit, so ten times one never overflows.
  for (std::int64_t low = 1; low <= last; low *= 10) {
    const std::int64_t a = std::max(first, low), b = std::min(last, low * 10 - 1);
    if (a > b) continue;
    body(Index(a));
    if (b - a >= 2) w.repeat(static_cast<std::uint64_t>(b - a - 1), [&] { body(Index(a + 1)); });
    if (b > a) body(Index(b));
  }
}

/// Span first ... last.
struct Span {
  std::int64_t first, last;
};

/// Calls body(Index(i), Index(j)) for every i of `is` and j of `js`, only with i < j when
/// `ordered`. A counting writer calls it once for each pair of runs of numbers of as many digits.
template <typename Body>
void for_each_pair(ScriptWriter& w, Span is, Span js, bool ordered, Body body) {
  if (!w.counting()) {
    for (Index i(is.first); i.value() <= is.last && w.ok(); ++i)
      for (Index j(ordered ? i.value() + 1 : js.first); j.value() <= js.last && w.ok(); ++j)
        body(i, j);
    return;
  }
  for (std::int64_t low = 1; low <= is.last; low *= 10) {
    const std::int64_t a = std::max(is.first, low), b = std::min(is.last, low * 10 - 1);
    for (std::int64_t high = 1; high <= js.last && a <= b; high *= 10) {
      const std::int64_t c = std::max(js.first, high), d = std::min(js.last, high * 10 - 1);
      if (c > d || (ordered && high < low)) continue;
      const auto rows = static_cast<std::uint64_t>(b - a + 1);
      const auto columns = static_cast<std::uint64_t>(d - c + 1);
      // Within one run, an ordered pair is one of rows * (rows - 1) / 2.
      const std::uint64_t pairs = ordered && high == low ? rows * (rows - 1) / 2 : rows * columns;
      if (pairs > 0) w.repeat(pairs, [&] { body(Index(a), Index(c)); });
    }
  }
}

/// Calls body(a, i, b, j) for every pair of latent variables that predict nothing, a_i and b_j
/// (ly5, dx1 ...): each variable's own, then y's with x's. Every writer states them as zero.
template <typename Body>
void for_each_final_pair(ScriptWriter& w, const Model& m, std::int64_t n, Body body) {
  const VariableNames y(m.y_name), x(m.x_name);
  const FinalLatents f[2] = {final_latents(m, false, n), final_latents(m, true, n)};
  const std::string_view name[2] = {f[0].levels ? y.level : y.difference,
                                    f[1].levels ? x.level : x.difference};
  for (int k : {0, 1}) {
    for_each_pair(w, {f[k].first, f[k].last}, {f[k].first, f[k].last}, true,
                  [&](Index i, Index j) { body(name[k], i, name[k], j); });
  }
  for_each_pair(w, {f[0].first, f[0].last}, {f[1].first, f[1].last}, false,
                [&](Index i, Index j) { body(name[0], i, name[1], j); });
}

void write_preamble(ScriptWriter& w);
/// The DATA statement of a data file name, as lines of three pieces. It is one line where it fits
/// in the 90 characters Mplus reads of a line; else the name goes in quotes, broken just after
/// its slashes (Mplus joins the lines of a quoted name), with the closing `";` on the last line.
struct DataLine {
  std::string_view head, text, tail;
};
struct DataStatement {
  std::vector<DataLine> lines;
  bool too_wide = false;  // a part between slashes is wider than a line of its own
};
DataStatement data_statement(std::string_view data_file);

void write_data_section(ScriptWriter& w, std::string_view data_file);
void write_variable_sections(ScriptWriter& w, const Model& model, std::int64_t occasions);
void write_output_section(ScriptWriter& w);

/// Whether a file that starts with these bytes (its first kScriptStart, or all of it) was
/// written by ldsgen: its first line is the banner's top edge, after a UTF-8 byte order mark
/// where an editor saved one. An empty file counts as one.
constexpr std::size_t kScriptStart = 52;
bool is_ldsgen_script(std::string_view start);

}  // namespace ldsgen

#endif  // LDSGEN_SCRIPT_WRITER_H_

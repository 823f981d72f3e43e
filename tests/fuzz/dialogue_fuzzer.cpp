// Feeds arbitrary bytes to the dialogue as console input. Every run must end with status 0 or 1,
// promptly (the script file refuses bytes past 1 MiB, as a full disk would, so huge occasion
// counts must stop at the failed write), and a complete script of a few occasions must have
// exactly the lines its model and count call for.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dialogue.h"
#include "test_support.h"

namespace {

std::int64_t at_least_zero(std::int64_t n) {
  return n > 0 ? n : 0;
}

// Lines of a whole script for up to 24 occasions, where each variable's names fit on one line,
// and a DATA statement of `data` lines.
std::int64_t expected_lines(bool bivariate, std::int64_t n, std::int64_t data) {
  const std::int64_t list = bivariate ? 2 : 1;
  const std::int64_t frame = 6 + 1 + data + 2 * (1 + list) + 4 + 1;
  // Eight comment lines, the initial level and the last occasion's means; then the loops.
  const std::int64_t block = 10 + at_least_zero(n) + 5 * at_least_zero(n - 1);
  if (!bivariate) return frame + block + 3 + at_least_zero(n);
  return frame + 2 * block + 1 + 4 + 2 * at_least_zero(n - 1) + 4 + 2 * at_least_zero(n);
}

// The number of occasions, read back from the last occasion's means line
// "[y<N>@0]; [ly<N>@0];ly<N>@0;", the only line of the MODEL body in which "];ly" stands. (The
// data file name may hold anything but white space, so the search starts at the body.)
std::int64_t occasions_in(const std::string& script) {
  const std::size_t at = script.find("];ly", script.find("\nMODEL:\n"));
  return std::strtoll(script.c_str() + at + 4, nullptr, 10);
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ldsgen::testing::Outcome r =
      ldsgen::testing::run(std::string(reinterpret_cast<const char*>(data), size), 1 << 20);
  if (r.status != 0 && r.status != 1) std::abort();
  if (r.status == 1 && r.errors.empty()) std::abort();
  if (r.status == 0) {
    if (!ends_with(r.script, "\nOUTPUT:  TECH1 TECH4;\n")) std::abort();
    const bool bivariate =
        r.script.find("!beginning the codes for x variables") != std::string::npos;
    const std::int64_t n = occasions_in(r.script);
    const auto lines =
        static_cast<std::int64_t>(std::count(r.script.begin(), r.script.end(), '\n'));
    const std::size_t data_begin = r.script.find("\nDATA: FILE IS ");
    const std::size_t data_end = r.script.find("\nVARIABLE: NAMES ARE \n");
    const auto data = std::count(r.script.begin() + data_begin, r.script.begin() + data_end, '\n');
    if (n < 2) std::abort();  // a change model needs two occasions
    if (n <= 24 && lines != expected_lines(bivariate, n, data)) std::abort();
  }
  return 0;
}

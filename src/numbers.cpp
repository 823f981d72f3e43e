#include "numbers.h"

#include <cmath>
#include <cstdlib>

namespace ldsgen {

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

// By multiplying tens, not with pow(), whose tables would weigh on the web page's core.
double power_of_ten(int k) {
  double p = 1;
  for (int i = 0; i < (k < 0 ? -k : k); ++i) p *= 10;
  return k < 0 ? 1 / p : p;
}

int decimal_exponent(double a) {
  int e = 0;
  double p = 1;
  while (a >= p * 10 && e < 400) p *= 10, ++e;
  while (a < p && e > -400) p /= 10, --e;
  return e;
}

bool read_number(std::string_view s, double* value) {
  const bool negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  double v = 0;
  int scale = 0, digits = 0;
  bool point = false;
  std::size_t i = 0;
  for (; i < s.size() && (is_digit(s[i]) || (s[i] == '.' && !point)); ++i) {
    if (s[i] == '.') {
      point = true;
    } else {
      v = v * 10 + (s[i] - '0');
      scale -= point;
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    if (++i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    const bool down = s[i - 1] == '-';
    int exponent = 0;
    const std::size_t first = i;
    for (; i < s.size() && is_digit(s[i]); ++i)
      exponent = std::min(exponent * 10 + (s[i] - '0'), 9999);
    if (i == first) return false;
    scale += down ? -exponent : exponent;
  }
  if (i != s.size()) return false;
  // Dividing by an exact power of ten rounds once: 350 / 1000 is 0.35, 350 * 0.001 is not.
  v = scale < 0 ? v / power_of_ten(-scale) : v * power_of_ten(scale);
  *value = negative ? -v : v;
  return true;
}

std::string significant(double v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  if (v == 0) return "0";
  const bool negative = v < 0;
  const double a = std::fabs(v);
  int exponent = decimal_exponent(a);
  // At least 100000, as the exponent comes from the same powers of ten; 1000000 where the
  // digits round up to the next power (999999.5).
  long long digits = std::llround(a / power_of_ten(exponent - 5));
  if (digits >= 1000000) {
    digits = std::llround(static_cast<double>(digits) / 10);
    ++exponent;
  }
  const std::string d = std::to_string(digits);  // six digits: d.ddddd times 10^exponent
  auto trimmed = [](std::string s) {
    if (s.find('.') == std::string::npos) return s;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
  };
  std::string out;
  if (exponent < -4 || exponent >= 6) {
    const int e = std::abs(exponent);
    out = trimmed(d.substr(0, 1) + "." + d.substr(1)) + (exponent < 0 ? "e-" : "e+") +
          (e < 10 ? "0" : "") + std::to_string(e);
  } else if (exponent >= 0) {
    const auto whole = static_cast<std::size_t>(exponent) + 1;
    out = trimmed(d.substr(0, whole) + "." + d.substr(whole));
  } else {
    out = trimmed("0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + d);
  }
  return negative ? "-" + out : out;
}

}  // namespace ldsgen

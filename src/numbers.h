// Numbers as text: read as Mplus writes them and people type them, written in 6 significant
// digits. By hand rather than with strtod and printf, which would weigh on the web page's core.
#ifndef LDSGEN_NUMBERS_H_
#define LDSGEN_NUMBERS_H_

#include <string>
#include <string_view>

namespace ldsgen {

/// Reads a whole decimal number: a sign, digits with a point, an exponent ("-1.5E-2").
/// False, leaving `value` alone, when the text is not one.
bool read_number(std::string_view text, double* value);

/// 10 to the power k, exact for |k| up to 22.
double power_of_ten(int k);
/// The power of ten of a positive number's leading digit: 2 for 345, -1 for 0.5.
int decimal_exponent(double positive);

/// A number in 6 significant digits, as printf's %.6g writes it.
std::string significant(double v);

}  // namespace ldsgen

#endif  // LDSGEN_NUMBERS_H_

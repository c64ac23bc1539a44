// Powers of ten and base-10 logarithms for the parameter and meter laws,
// computed from IEEE additions, multiplications and divisions only. The C
// libraries of the two builds round these functions differently in the last
// bit; these give the same bits everywhere, within about two units in the
// last place of the exact values.
#pragma once

namespace decimal {

// 10 raised to `exponent`; exact for integer exponents of magnitude up to 22.
double power(double exponent);

// Base-10 logarithm of a positive finite value.
double logarithm(double value);

} // namespace decimal

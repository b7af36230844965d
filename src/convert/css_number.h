#pragma once
// Numbers for CSS and attributes: fixed point with at most `decimals` digits after the point,
// trailing zeros dropped, always with a '.' whatever the locale ("12.5", "-0.07", "3").
#include <string>

namespace qm {

void appendCssNumber(std::string& out, double value, int decimals = 2);
std::string cssNumber(double value, int decimals = 2);

}  // namespace qm

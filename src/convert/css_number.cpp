#include "convert/css_number.h"

#include <charconv>
#include <cmath>

namespace qm {

void appendCssNumber(std::string& out, double value, int decimals) {
    // Values from a file may be anything; a CSS length beyond a million pixels is nonsense.
    if (!std::isfinite(value)) value = 0;
    if (value > 1e7) value = 1e7;
    if (value < -1e7) value = -1e7;
    char text[48];
    auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) {
        out += '0';
        return;
    }
    char* last = end;
    if (decimals > 0) {
        while (last > text && last[-1] == '0') --last;
        if (last > text && last[-1] == '.') --last;
    }
    std::string_view digits(text, static_cast<size_t>(last - text));
    if (digits == "-0") digits = "0";
    out += digits;
}

std::string cssNumber(double value, int decimals) {
    std::string out;
    appendCssNumber(out, value, decimals);
    return out;
}

}  // namespace qm

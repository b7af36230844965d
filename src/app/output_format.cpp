#include "app/output_format.h"

namespace qm {

namespace {
constexpr struct {
    OutputFormat format;
    const char* name;
} kNames[] = {{OutputFormat::html, "html"}, {OutputFormat::bmp, "bmp"}, {OutputFormat::png, "png"}, {OutputFormat::svg, "svg"}};
}  // namespace

std::optional<OutputFormat> parseOutputFormat(std::string_view name) {
    for (const auto& n : kNames) {
        if (name == n.name) return n.format;
    }
    return std::nullopt;
}

const char* outputFormatName(OutputFormat format) {
    for (const auto& n : kNames) {
        if (n.format == format) return n.name;
    }
    return "html";
}

}  // namespace qm

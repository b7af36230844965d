#pragma once
// What a run writes for each PDF: an HTML page set, or one image per page.
#include <optional>
#include <string_view>

namespace qm {

enum class OutputFormat { html, bmp, png, svg };

// "html", "bmp", "png" or "svg" (lower case only); nothing for any other text.
std::optional<OutputFormat> parseOutputFormat(std::string_view name);
const char* outputFormatName(OutputFormat format);

}  // namespace qm

#include "app/batch_options.h"

#include "app/command_line.h"

namespace qm {

std::string applyBatchText(CommandLine& out, std::string_view name, std::string_view value) {
    if (name == "format") {
        std::optional<OutputFormat> format = parseOutputFormat(value);
        if (!format) return "option '--format' takes html, bmp, png or svg, not '" + std::string(value) + "'";
        out.format = *format;
        out.bmp = *format == OutputFormat::bmp;
        return "";
    }
    if (value.empty()) return "option '--" + std::string(name) + "' needs a file name";
    std::string* target = name == "list" ? &out.list : name == "results" ? &out.results : &out.skipDone;
    if (!target->empty()) return "option '--" + std::string(name) + "' is given twice";
    *target = std::string(value);
    return "";
}

}  // namespace qm

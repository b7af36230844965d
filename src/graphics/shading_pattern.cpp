#include "graphics/shading_pattern.h"

#include <cstring>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/number_array.h"

namespace qm {

ShadingPattern::ShadingPattern(std::shared_ptr<const Shading> s, const double m[6])
    : Pattern(2), shading(std::move(s)) {
    std::memcpy(matrix, m, sizeof matrix);
}

std::unique_ptr<Pattern> ShadingPattern::clone() const { return std::make_unique<ShadingPattern>(shading, matrix); }

std::unique_ptr<Pattern> parseShadingPattern(PdfDict* dict) {
    PdfObject sh = dict->lookup("Shading");
    if (!sh.isDict() && !sh.isStream()) {
        reportError(-1, "Missing or invalid Shading in shading pattern");
        return nullptr;
    }
    std::unique_ptr<Shading> shading = parseShading(sh);
    if (!shading) return nullptr;
    double matrix[6] = {1, 0, 0, 1, 0, 0};
    PdfObject m = dict->lookup("Matrix");
    if (!m.isNull() && !readNumberArray(m, matrix, 6)) reportError(-1, "Bad Matrix in shading pattern");
    return std::make_unique<ShadingPattern>(std::move(shading), matrix);
}

}  // namespace qm

#pragma once
// Shading patterns: a shading placed on the page by the pattern's matrix and painted wherever a
// path filled or stroked with the pattern reaches.
#include <memory>

#include "graphics/pattern.h"

namespace qm {

class ShadingPattern : public Pattern {
public:
    ShadingPattern(std::shared_ptr<const Shading> s, const double m[6]);
    // Copies share the parsed shading, so saving the state stays cheap for large meshes.
    std::unique_ptr<Pattern> clone() const override;

    std::shared_ptr<const Shading> shading;
    double matrix[6] = {1, 0, 0, 1, 0, 0};
};

// `dict` has PatternType 2; null (reported) when its Shading is missing or unusable.
std::unique_ptr<Pattern> parseShadingPattern(PdfDict* dict);

}  // namespace qm

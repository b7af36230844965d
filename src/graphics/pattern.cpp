#include "graphics/pattern.h"

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/function_shading.h"
#include "graphics/mesh_shading.h"
#include "graphics/number_array.h"
#include "graphics/radial_shading.h"
#include "graphics/shading_pattern.h"

namespace qm {

// ---- Tiling patterns

TilingPattern::TilingPattern(const PdfObject& stream) : Pattern(1), contentStream(stream) {
    PdfDict* dict = stream.dictOf();
    PdfObject paint = dict->lookup("PaintType");
    if (paint.isInt())
        paintType = paint.getInt();
    else
        reportError(-1, "Invalid or missing PaintType in pattern");
    PdfObject tiling = dict->lookup("TilingType");
    if (tiling.isInt())
        tilingType = tiling.getInt();
    else
        reportError(-1, "Invalid or missing TilingType in pattern");
    if (!readNumberArray(dict->lookup("BBox"), bbox, 4, NonNumber::Keep)) reportError(-1, "Invalid or missing BBox in pattern");
    PdfObject step = dict->lookup("XStep");
    if (step.isNum())
        xStep = step.getNum();
    else
        reportError(-1, "Invalid or missing XStep in pattern");
    step = dict->lookup("YStep");
    if (step.isNum())
        yStep = step.getNum();
    else
        reportError(-1, "Invalid or missing YStep in pattern");
    resources = dict->lookup("Resources");
    if (!resources.isDict()) {
        reportError(-1, "Invalid or missing Resources in pattern");
        resources = PdfObject::makeNull();
    }
    readNumberArray(dict->lookup("Matrix"), matrix, 6, NonNumber::Keep);
}

std::unique_ptr<Pattern> TilingPattern::clone() const { return std::unique_ptr<Pattern>(new TilingPattern(*this)); }

std::unique_ptr<Pattern> parsePattern(const PdfObject& obj) {
    PdfDict* dict = obj.isDict() ? obj.getDict() : (obj.isStream() ? obj.dictOf() : nullptr);
    if (!dict) return nullptr;
    PdfObject type = dict->lookup("PatternType");
    if (type.isInt() && type.getInt() == 2) return parseShadingPattern(dict);
    if (!obj.isStream() || !type.isInt() || type.getInt() != 1) return nullptr;
    return std::make_unique<TilingPattern>(obj);
}

// ---- Shadings

bool Shading::readCommon(PdfDict* dict) {
    colorSpace = parseColorSpace(dict->lookup("ColorSpace"));
    if (!colorSpace) {
        reportError(-1, "Bad color space in shading dictionary");
        return false;
    }
    PdfObject bg = dict->lookup("Background");
    if (bg.isArray()) {
        if (bg.arrayLength() != colorSpace->componentCount()) {
            reportError(-1, "Bad Background in shading dictionary");
        } else {
            // Non-numeric components read as 0.
            for (int i = 0; i < bg.arrayLength(); ++i) {
                PdfObject v = bg.arrayGet(i);
                background[i] = v.isNum() ? v.getNum() : 0;
            }
            hasBackground = true;
        }
    }
    PdfObject box = dict->lookup("BBox");
    if (box.isArray()) {
        double values[4];
        if (readNumberArray(box, values, 4)) {
            xMin = values[0];
            yMin = values[1];
            xMax = values[2];
            yMax = values[3];
            hasBBox = true;
        } else {
            reportError(-1, "Bad BBox in shading dictionary");
        }
    }
    return true;
}

bool AxialShading::readAxial(PdfDict* dict) {
    double coords[4];
    if (!readNumberArray(dict->lookup("Coords"), coords, 4)) {
        reportError(-1, "Missing or invalid Coords in shading dictionary");
        return false;
    }
    x0 = coords[0];
    y0 = coords[1];
    x1 = coords[2];
    y1 = coords[3];
    double domain[2];
    if (readNumberArray(dict->lookup("Domain"), domain, 2)) {
        t0 = domain[0];
        t1 = domain[1];
    }
    PdfObject fn = dict->lookup("Function");
    if (fn.isArray()) {
        // One function per colour component, and no space has more than 8.
        if (fn.arrayLength() > maxColorComponents) {
            reportError(-1, "Shading has more than %d functions", maxColorComponents);
            return false;
        }
        if (fn.arrayLength() == 0) {
            reportError(-1, "Shading has an empty Function array");
            return false;
        }
        for (int i = 0; i < fn.arrayLength(); ++i) {
            auto f = parseFunction(fn.arrayGet(i));
            if (!f) return false;
            functions.push_back(std::move(f));
        }
    } else {
        auto f = parseFunction(fn);
        if (!f) return false;
        functions.push_back(std::move(f));
    }
    // The colour along the axis is a function of one value, t.
    for (const auto& f : functions) {
        if (f->inputCount() != 1) {
            reportError(-1, "Shading function takes %d inputs instead of 1", f->inputCount());
            return false;
        }
    }
    PdfObject extend = dict->lookup("Extend");
    if (extend.isArray() && extend.arrayLength() == 2) {
        PdfObject e0 = extend.arrayGet(0);
        PdfObject e1 = extend.arrayGet(1);
        if (e0.isBool() && e1.isBool()) {
            extend0 = e0.getBool();
            extend1 = e1.getBool();
        }
    }
    return true;
}

std::unique_ptr<Shading> parseShading(const PdfObject& obj) {
    PdfDict* dict = obj.isDict() ? obj.getDict() : (obj.isStream() ? obj.dictOf() : nullptr);
    if (!dict) return nullptr;
    PdfObject type = dict->lookup("ShadingType");
    if (!type.isInt()) {
        reportError(-1, "Invalid ShadingType in shading dictionary");
        return nullptr;
    }
    switch (type.getInt()) {
        case 1: return parseFunctionShading(dict);
        case 2: break;
        case 3: return parseRadialShading(dict);
        case 4:
        case 5:
        case 6:
        case 7: return parseMeshShading(obj, type.getInt());
        default: reportError(-1, "Unimplemented shading type %d", type.getInt()); return nullptr;
    }
    auto shading = std::make_unique<AxialShading>();
    if (!shading->readCommon(dict) || !shading->readAxial(dict)) return nullptr;
    return shading;
}

}  // namespace qm

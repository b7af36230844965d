// Blend modes, soft masks and transparency groups: what the graphics state and form
// XObjects say about them, handed to the device.
#include <cmath>
#include <cstring>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/content_interpreter.h"
#include "graphics/function.h"
#include "graphics/number_array.h"
#include "graphics/shading_canvas.h"
#include "render/output_device.h"

namespace qm {

namespace {

constexpr const char* kBlendModeNames[16] = {"Normal",    "Multiply",   "Screen",     "Overlay",
                                            "Darken",    "Lighten",    "ColorDodge", "ColorBurn",
                                            "HardLight", "SoftLight",  "Difference", "Exclusion",
                                            "Hue",       "Saturation", "Color",      "Luminosity"};

// The mode a name stands for; -1 for names this program does not know.
int blendModeOf(const PdfObject& name) {
    if (!name.isName()) return -1;
    for (int i = 0; i < 16; ++i)
        if (name.isName(kBlendModeNames[i])) return i;
    // An old spelling still found in files.
    if (name.isName("Compatible")) return 0;
    return -1;
}

// The form's box through its matrix and `ctm` into device space; false when not finite.
bool deviceBox(const PdfDict* form, const double ctm[6], double bbox[4], double matrix[6], double out[4]) {
    if (!readNumberArray(form->lookup("BBox"), bbox, 4, NonNumber::Zero, true)) return false;
    const double identity[6] = {1, 0, 0, 1, 0, 0};
    std::memcpy(matrix, identity, sizeof identity);
    PdfObject m = form->lookup("Matrix");
    if (m.isArray() && m.arrayLength() == 6) readNumberArray(m, matrix, 6, NonNumber::Zero, true);
    const double full[6] = {matrix[0] * ctm[0] + matrix[1] * ctm[2],        matrix[0] * ctm[1] + matrix[1] * ctm[3],
                            matrix[2] * ctm[0] + matrix[3] * ctm[2],        matrix[2] * ctm[1] + matrix[3] * ctm[3],
                            matrix[4] * ctm[0] + matrix[5] * ctm[2] + ctm[4], matrix[4] * ctm[1] + matrix[5] * ctm[3] + ctm[5]};
    mapBox(full, std::fmin(bbox[0], bbox[2]), std::fmin(bbox[1], bbox[3]), std::fmax(bbox[0], bbox[2]),
           std::fmax(bbox[1], bbox[3]), out);
    return std::isfinite(out[0] + out[1] + out[2] + out[3]);
}

}  // namespace

void ContentInterpreter::setBlendMode(const PdfObject& mode) {
    // An array lists modes in order of preference: the first one known is used.
    int found = blendModeOf(mode);
    if (mode.isArray()) {
        for (int i = 0; i < mode.arrayLength() && found < 0; ++i) found = blendModeOf(mode.arrayGet(i));
    }
    if (found < 0) {
        reportError(position(), "Unknown blend mode");
        found = 0;
    }
    state_->setBlendMode(found);
}

void ContentInterpreter::setSoftMask(const PdfObject& mask, const PdfObject& raw) {
    // Files set the same mask again for every object it covers; drawing its group each time
    // would cost a page of pixels per object.
    double ctm[6];
    std::memcpy(ctm, state_->transform(), sizeof ctm);
    const bool indirect = raw.isRef();
    if (indirect && lastSoftMask_.image && raw.getRef().num == lastSoftMask_.ref.num &&
        raw.getRef().gen == lastSoftMask_.ref.gen && std::memcmp(ctm, lastSoftMask_.ctm, sizeof lastSoftMask_.ctm) == 0) {
        state_->setSoftMask(true, lastSoftMask_.image);
        return;
    }
    PdfObject group = mask.dictLookup("G");
    PdfDict* dict = group.isStream() ? group.dictOf() : nullptr;
    if (!dict) {
        reportError(position(), "Soft mask without a group");
        state_->setSoftMask(false);
        return;
    }
    const bool luminosity = !mask.dictLookup("S").isName("Alpha");
    // The backdrop is given in the group's colour space; without one it is black.
    double backdrop[3] = {0, 0, 0};
    PdfObject bc = mask.dictLookup("BC");
    if (luminosity && bc.isArray()) {
        std::unique_ptr<ColorSpace> space = parseColorSpace(dict->lookup("Group").dictLookup("CS"));
        double components[maxColorComponents] = {};
        if (space && bc.arrayLength() >= space->componentCount() &&
            readNumberArray(bc, components, space->componentCount(), NonNumber::Zero, true))
            space->toRgb(components, backdrop);
    }
    uint8_t transfer[256];
    bool hasTransfer = false;
    PdfObject tr = mask.dictLookup("TR");
    if (!tr.isNull() && !tr.isName("Identity")) {
        std::unique_ptr<PdfFunction> f = parseFunction(tr);
        if (f) {
            hasTransfer = true;
            for (int i = 0; i < 256; ++i) {
                double in = i / 255.0, out[maxFunctionOutputs] = {};
                f->transform(&in, out);
                const double v = std::isnan(out[0]) ? 0 : std::fmin(1, std::fmax(0, out[0]));
                transfer[i] = static_cast<uint8_t>(v * 255 + 0.5);
            }
        }
    }
    double bbox[4], matrix[6], box[4];
    if (!deviceBox(dict, state_->transform(), bbox, matrix, box)) {
        reportError(position(), "Bad soft mask group box");
        state_->setSoftMask(false);
        return;
    }
    device_->beginSoftMask(*state_, luminosity, backdrop, box);
    saveState();
    state_->resetTransparency();
    PdfObject res = dict->lookup("Resources");
    runForm(group, res.isDict() ? res.getDict() : nullptr, matrix, bbox);
    restoreState();
    std::shared_ptr<const SoftMaskImage> image = device_->endSoftMask(*state_, hasTransfer ? transfer : nullptr);
    if (indirect) {
        lastSoftMask_.ref = raw.getRef();
        std::memcpy(lastSoftMask_.ctm, ctm, sizeof lastSoftMask_.ctm);
        lastSoftMask_.image = image;
    }
    state_->setSoftMask(true, std::move(image));
}

bool ContentInterpreter::runGroupForm(const PdfObject& form, PdfDict* resources) {
    PdfDict* dict = form.dictOf();
    PdfObject group = dict ? dict->lookup("Group") : PdfObject::makeNull();
    if (!group.isDict() || !group.dictLookup("S").isName("Transparency")) return false;
    GroupInfo info;
    double bbox[4], matrix[6];
    if (!deviceBox(dict, state_->transform(), bbox, matrix, info.box)) return false;
    PdfObject isolated = group.dictLookup("I"), knockout = group.dictLookup("K");
    info.isolated = isolated.isBool() && isolated.getBool();
    info.knockout = knockout.isBool() && knockout.getBool();
    device_->beginGroup(*state_, info);
    saveState();
    state_->resetTransparency();
    runForm(form, resources, matrix, bbox);
    restoreState();
    device_->endGroup(*state_);
    return true;
}

}  // namespace qm

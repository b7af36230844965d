// Graphics-state and colour operators.
#include <cstring>
#include <vector>

#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/content_interpreter.h"
#include "render/output_device.h"

namespace qm {

void ContentInterpreter::opSave(PdfObject*, int) {
    if (saveDepth_ >= kMaxSaveDepth) {
        reportError(position(), "Too many nested graphics states");
        return;
    }
    saveState();
}

void ContentInterpreter::opRestore(PdfObject*, int) { restoreState(); }

void ContentInterpreter::opConcat(PdfObject* args, int) {
    double m[6];
    for (int i = 0; i < 6; ++i) m[i] = args[i].getNum();
    state_->concatTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
    device_->updateTransform(*state_, m[0], m[1], m[2], m[3], m[4], m[5]);
    fontChanged_ = true;
}

void ContentInterpreter::opSetLineWidth(PdfObject* args, int) {
    state_->setLineWidth(args[0].getNum());
    device_->updateLineWidth(*state_);
}

void ContentInterpreter::opSetLineCap(PdfObject* args, int) {
    state_->setLineCap(args[0].getInt());
    device_->updateLineCap(*state_);
}

void ContentInterpreter::opSetLineJoin(PdfObject* args, int) {
    state_->setLineJoin(args[0].getInt());
    device_->updateLineJoin(*state_);
}

void ContentInterpreter::opSetMiterLimit(PdfObject* args, int) {
    state_->setMiterLimit(args[0].getNum());
    device_->updateMiterLimit(*state_);
}

void ContentInterpreter::opSetFlatness(PdfObject* args, int) {
    double v = args[0].getNum();
    // Truncation toward zero, kept inside the int range.
    state_->setFlatness(v > 1e9 ? 1000000000 : (v < -1e9 ? -1000000000 : static_cast<int>(v)));
    device_->updateFlatness(*state_);
}

void ContentInterpreter::opSetDash(PdfObject* args, int) {
    std::vector<double> dash;
    PdfArray* a = args[0].getArray();
    for (int i = 0; i < a->length(); ++i) {
        PdfObject v = a->get(i);
        if (v.isNum()) dash.push_back(v.getNum());
    }
    state_->setLineDash(std::move(dash), args[1].getNum());
    device_->updateLineDash(*state_);
}

void ContentInterpreter::opSetExtGState(PdfObject* args, int) {
    const char* name = args[0].getName();
    PdfObject obj = resources_->lookupExtGState(name);
    if (obj.isNone()) {
        reportError(position(), "ExtGState '%s' is unknown", name);
        return;
    }
    if (!obj.isDict()) {
        reportError(position(), "ExtGState '%s' is wrong type", name);
        return;
    }
    PdfObject ca = obj.dictLookup("ca");
    if (ca.isNum()) {
        state_->setFillOpacity(ca.getNum());
        device_->updateFillOpacity(*state_);
    }
    PdfObject CA = obj.dictLookup("CA");
    if (CA.isNum()) {
        state_->setStrokeOpacity(CA.getNum());
        device_->updateStrokeOpacity(*state_);
    }
    PdfObject blend = obj.dictLookup("BM");
    if (!blend.isNull()) setBlendMode(blend);
    PdfObject softMask = obj.dictLookup("SMask");
    if (softMask.isDict())
        setSoftMask(softMask, obj.dictLookupRaw("SMask"));
    else if (softMask.isName("None"))
        state_->setSoftMask(false);
}

void ContentInterpreter::setDeviceColor(bool fill, std::unique_ptr<ColorSpace> space, PdfObject* args, int count) {
    double color[maxColorComponents] = {};
    for (int i = 0; i < count; ++i) color[i] = args[i].getNum();
    if (fill) {
        state_->setFillPattern(nullptr);
        state_->setFillColorSpace(std::move(space));
        state_->setFillColor(color);
        device_->updateFillColor(*state_);
    } else {
        state_->setStrokePattern(nullptr);
        state_->setStrokeColorSpace(std::move(space));
        state_->setStrokeColor(color);
        device_->updateStrokeColor(*state_);
    }
}

void ContentInterpreter::opSetFillGray(PdfObject* args, int) {
    setDeviceColor(true, std::make_unique<DeviceGrayColorSpace>(), args, 1);
}
void ContentInterpreter::opSetStrokeGray(PdfObject* args, int) {
    setDeviceColor(false, std::make_unique<DeviceGrayColorSpace>(), args, 1);
}
void ContentInterpreter::opSetFillRgb(PdfObject* args, int) {
    setDeviceColor(true, std::make_unique<DeviceRgbColorSpace>(), args, 3);
}
void ContentInterpreter::opSetStrokeRgb(PdfObject* args, int) {
    setDeviceColor(false, std::make_unique<DeviceRgbColorSpace>(), args, 3);
}
void ContentInterpreter::opSetFillCmyk(PdfObject* args, int) {
    setDeviceColor(true, std::make_unique<DeviceCmykColorSpace>(), args, 4);
}
void ContentInterpreter::opSetStrokeCmyk(PdfObject* args, int) {
    setDeviceColor(false, std::make_unique<DeviceCmykColorSpace>(), args, 4);
}

void ContentInterpreter::setColorSpace(bool fill, const PdfObject& name) {
    PdfObject found = resources_->lookupColorSpace(name.getName());
    std::unique_ptr<ColorSpace> space =
        (found.isNone() || found.isNull()) ? parseColorSpace(name) : parseColorSpace(found);
    double zero[maxColorComponents] = {};
    if (fill) {
        state_->setFillPattern(nullptr);
        if (space)
            state_->setFillColorSpace(std::move(space));
        else
            reportError(position(), "Bad color space (fill)");
        state_->setFillColor(zero);
        device_->updateFillColor(*state_);
    } else {
        state_->setStrokePattern(nullptr);
        if (space)
            state_->setStrokeColorSpace(std::move(space));
        else
            reportError(position(), "Bad color space (stroke)");
        state_->setStrokeColor(zero);
        device_->updateStrokeColor(*state_);
    }
}

void ContentInterpreter::opSetFillColorSpace(PdfObject* args, int) { setColorSpace(true, args[0]); }
void ContentInterpreter::opSetStrokeColorSpace(PdfObject* args, int) { setColorSpace(false, args[0]); }

void ContentInterpreter::opSetFillColor(PdfObject* args, int count) {
    double color[maxColorComponents] = {};
    for (int i = 0; i < count && i < 4; ++i) color[i] = args[i].getNum();
    state_->setFillPattern(nullptr);
    state_->setFillColor(color);
    device_->updateFillColor(*state_);
}

void ContentInterpreter::opSetStrokeColor(PdfObject* args, int count) {
    double color[maxColorComponents] = {};
    for (int i = 0; i < count && i < 4; ++i) color[i] = args[i].getNum();
    state_->setStrokePattern(nullptr);
    state_->setStrokeColor(color);
    device_->updateStrokeColor(*state_);
}

void ContentInterpreter::setColorN(bool fill, PdfObject* args, int count) {
    double color[maxColorComponents] = {};
    for (int i = 0; i < count && i < 4; ++i)
        if (args[i].isNum()) color[i] = args[i].getNum();
    const ColorSpace& space = fill ? state_->fillColorSpace() : state_->strokeColorSpace();
    auto sendColor = [&] {
        if (fill) {
            state_->setFillColor(color);
            device_->updateFillColor(*state_);
        } else {
            state_->setStrokeColor(color);
            device_->updateStrokeColor(*state_);
        }
    };
    if (fill)
        state_->setFillPattern(nullptr);
    else
        state_->setStrokePattern(nullptr);
    if (space.family() == ColorFamily::Pattern) {
        if (count > 1) sendColor();
        if (count > 0 && args[count - 1].isName()) {
            PdfObject obj = resources_->lookupPattern(args[count - 1].getName());
            if (obj.isNone()) {
                reportError(position(), "Unknown pattern '%s'", args[count - 1].getName());
                return;
            }
            std::unique_ptr<Pattern> pattern = parsePattern(obj);
            if (!pattern) return;
            if (fill)
                state_->setFillPattern(std::move(pattern));
            else
                state_->setStrokePattern(std::move(pattern));
        }
        return;
    }
    sendColor();
}

void ContentInterpreter::opSetFillColorN(PdfObject* args, int count) { setColorN(true, args, count); }
void ContentInterpreter::opSetStrokeColorN(PdfObject* args, int count) { setColorN(false, args, count); }

}  // namespace qm

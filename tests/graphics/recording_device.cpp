#include "recording_device.h"

#include <cstdio>

#include "graphics/graphics_state.h"
#include "graphics/image_color_map.h"
#include "streams/stream.h"

namespace qm::test {

std::string num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

namespace {

std::string pathText(const GraphicsState& s) {
    std::string out;
    const PathData& p = s.path();
    for (int i = 0; i < p.subpathCount(); ++i) {
        const SubPath& sp = p.subpath(i);
        out += " [";
        for (int j = 0; j < sp.pointCount(); ++j) {
            if (j) out += ' ';
            out += num(sp.point(j).x) + "," + num(sp.point(j).y);
        }
        out += sp.isClosed() ? " closed]" : "]";
    }
    return out;
}

std::string colorText(const double* c, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += " " + num(c[i]);
    return out;
}

long drain(Stream* stream) {
    stream->reset();
    long n = 0;
    unsigned char buf[4096];
    for (int got; (got = stream->readBlock(buf, sizeof buf)) > 0;) n += got;
    stream->close();
    return n;
}

}  // namespace

std::vector<std::string> RecordingDevice::matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    return out;
}

void RecordingDevice::beginPage(int pageNumber, GraphicsState&) { log("beginPage " + std::to_string(pageNumber)); }

void RecordingDevice::updateTransform(GraphicsState&, double a, double b, double c, double d, double e, double f) {
    log("updateTransform " + num(a) + " " + num(b) + " " + num(c) + " " + num(d) + " " + num(e) + " " + num(f));
}

void RecordingDevice::updateLineDash(GraphicsState& s) {
    std::string d;
    for (double v : s.lineDash()) d += " " + num(v);
    log("updateLineDash" + d + " phase " + num(s.lineDashPhase()));
}

void RecordingDevice::updateLineWidth(GraphicsState& s) { log("updateLineWidth " + num(s.lineWidth())); }

void RecordingDevice::updateFillColor(GraphicsState& s) {
    log("updateFillColor" + colorText(s.fillColor(), s.fillColorSpace().componentCount()));
}

void RecordingDevice::updateStrokeColor(GraphicsState& s) {
    log("updateStrokeColor" + colorText(s.strokeColor(), s.strokeColorSpace().componentCount()));
}

void RecordingDevice::updateFillOpacity(GraphicsState& s) { log("updateFillOpacity " + num(s.fillOpacity())); }

void RecordingDevice::updateTextPosition(GraphicsState& s) {
    log("updateTextPosition " + num(s.curX()) + " " + num(s.curY()));
}

void RecordingDevice::updateTextShift(GraphicsState& s, double adjustment) {
    log("updateTextShift " + num(adjustment) + " -> " + num(s.curX()) + " " + num(s.curY()));
}

void RecordingDevice::stroke(GraphicsState& s) { log("stroke" + pathText(s)); }
void RecordingDevice::fill(GraphicsState& s) { log("fill" + pathText(s)); }
void RecordingDevice::eoFill(GraphicsState& s) { log("eoFill" + pathText(s)); }

void RecordingDevice::clip(GraphicsState& s) {
    log("clip " + num(s.clipXMin()) + " " + num(s.clipYMin()) + " " + num(s.clipXMax()) + " " + num(s.clipYMax()));
}

void RecordingDevice::eoClip(GraphicsState& s) {
    log("eoClip " + num(s.clipXMin()) + " " + num(s.clipYMin()) + " " + num(s.clipXMax()) + " " + num(s.clipYMax()));
}

void RecordingDevice::beginString(GraphicsState&, const PdfString& s) { log("beginString " + std::string(s.view())); }

void RecordingDevice::drawChar(GraphicsState&, double x, double y, double dx, double dy, double originX,
                               double originY, int code, const uint16_t* unicode, int unicodeCount, int rawCode) {
    std::string u;
    for (int i = 0; i < unicodeCount; ++i) u += " U+" + std::to_string(unicode[i]);
    log("drawChar " + num(x) + " " + num(y) + " d " + num(dx) + " " + num(dy) + " o " + num(originX) + " " +
        num(originY) + " code " + std::to_string(code) + " raw " + std::to_string(rawCode) + u);
}

void RecordingDevice::drawString(GraphicsState&, const PdfString& s) { log("drawString " + std::string(s.view())); }

void RecordingDevice::drawImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                                    bool invert, bool inlineImage) {
    std::string line = "drawImageMask " + std::to_string(width) + "x" + std::to_string(height) +
                       (invert ? " invert" : "") + (inlineImage ? " inline" : "") +
                       (ref ? " ref " + std::to_string(ref->num) : "");
    if (inlineImage)
        OutputDevice::drawImageMask(state, ref, stream, width, height, invert, inlineImage);
    else if (readImages)
        line += " bytes " + std::to_string(drain(stream));
    log(line);
}

void RecordingDevice::drawImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                                ImageColorMap& colorMap, const int* maskColors, bool inlineImage) {
    std::string line = "drawImage " + std::to_string(width) + "x" + std::to_string(height) + " comps " +
                       std::to_string(colorMap.componentCount()) + " bits " + std::to_string(colorMap.bits()) +
                       (inlineImage ? " inline" : "") + (ref ? " ref " + std::to_string(ref->num) : "");
    if (maskColors) {
        line += " mask";
        for (int i = 0; i < 16; ++i) line += " " + std::to_string(maskColors[i]);
    }
    if (inlineImage)
        OutputDevice::drawImage(state, ref, stream, width, height, colorMap, maskColors, inlineImage);
    else if (readImages)
        line += " bytes " + std::to_string(drain(stream));
    log(line);
}

}  // namespace qm::test

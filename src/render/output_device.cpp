#include "render/output_device.h"

#include "graphics/image_color_map.h"
#include "graphics/matrix.h"
#include "streams/stream.h"

namespace qm {

void OutputDevice::setBaseTransform(const double m[6]) {
    for (int i = 0; i < 6; ++i) base_[i] = m[i];
    invertMatrix(m, inverse_);
}

void OutputDevice::deviceToUser(int dx, int dy, double* ux, double* uy) {
    *ux = dx * inverse_[0] + dy * inverse_[2] + inverse_[4];
    *uy = dx * inverse_[1] + dy * inverse_[3] + inverse_[5];
}

void OutputDevice::userToDevice(double ux, double uy, int* dx, int* dy) {
    // Truncation of value + 0.5: half-way points round up for positive values.
    *dx = static_cast<int>(ux * base_[0] + uy * base_[2] + base_[4] + 0.5);
    *dy = static_cast<int>(ux * base_[1] + uy * base_[3] + base_[5] + 0.5);
}

void OutputDevice::updateAll(GraphicsState& state) {
    updateLineDash(state);
    updateFlatness(state);
    updateLineJoin(state);
    updateLineCap(state);
    updateMiterLimit(state);
    updateLineWidth(state);
    updateFillColor(state);
    updateStrokeColor(state);
    updateFont(state);
}

void OutputDevice::skipInlineData(Stream* stream, long count) {
    stream->reset();
    unsigned char buffer[4096];
    while (count > 0) {
        int want = count > static_cast<long>(sizeof buffer) ? static_cast<int>(sizeof buffer) : static_cast<int>(count);
        int got = stream->readBlock(buffer, want);
        if (got <= 0) break;
        count -= got;
    }
    stream->close();
}

void OutputDevice::drawImageMask(GraphicsState&, const PdfRef*, Stream* stream, int width, int height, bool,
                                 bool inlineImage) {
    if (inlineImage && width > 0 && height > 0) skipInlineData(stream, static_cast<long>(height) * ((width + 7L) / 8));
}

void OutputDevice::drawImage(GraphicsState&, const PdfRef*, Stream* stream, int width, int height,
                             ImageColorMap& colorMap, const int*, bool inlineImage) {
    if (!inlineImage || width <= 0 || height <= 0) return;
    long rowBytes = (static_cast<long>(width) * colorMap.componentCount() * colorMap.bits() + 7) / 8;
    skipInlineData(stream, static_cast<long>(height) * rowBytes);
}

void OutputDevice::drawMaskedImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                                   ImageColorMap& colorMap, const int* maskColors, const ImageAlpha&) {
    drawImage(state, ref, stream, width, height, colorMap, maskColors, false);
}

}  // namespace qm

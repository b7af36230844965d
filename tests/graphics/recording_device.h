#pragma once
// An output device that logs every call with its arguments, so tests can assert exactly what
// reaches the device.
#include <string>
#include <vector>

#include "render/output_device.h"

namespace qm::test {

class RecordingDevice : public OutputDevice {
public:
    bool isUpsideDown() override { return true; }
    bool wantsCharByChar() override { return charByChar; }
    bool wantsNonText() override { return nonText; }

    void beginPage(int pageNumber, GraphicsState& state) override;
    void endPage() override { log("endPage"); }
    void checkpoint() override { log("checkpoint"); }
    void saveState(GraphicsState&) override { log("saveState"); }
    void restoreState(GraphicsState&) override { log("restoreState"); }
    void updateTransform(GraphicsState&, double a, double b, double c, double d, double e, double f) override;
    void updateLineDash(GraphicsState& state) override;
    void updateLineWidth(GraphicsState& state) override;
    void updateFillColor(GraphicsState& state) override;
    void updateStrokeColor(GraphicsState& state) override;
    void updateFillOpacity(GraphicsState& state) override;
    void updateFont(GraphicsState&) override { log("updateFont"); }
    void updateTextPosition(GraphicsState& state) override;
    void updateTextShift(GraphicsState&, double adjustment) override;
    void stroke(GraphicsState& state) override;
    void fill(GraphicsState& state) override;
    void eoFill(GraphicsState& state) override;
    void clip(GraphicsState& state) override;
    void eoClip(GraphicsState& state) override;
    void beginString(GraphicsState&, const PdfString& s) override;
    void endString(GraphicsState&) override { log("endString"); }
    void drawChar(GraphicsState& state, double x, double y, double dx, double dy, double originX, double originY,
                  int code, const uint16_t* unicode, int unicodeCount, int rawCode) override;
    void drawString(GraphicsState&, const PdfString& s) override;
    void drawImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height, bool invert,
                       bool inlineImage) override;
    void drawImage(GraphicsState& state, const PdfRef* ref, Stream* stream, int width, int height,
                   ImageColorMap& colorMap, const int* maskColors, bool inlineImage) override;

    void log(const std::string& line) { calls.push_back(line); }
    // Calls whose text starts with `prefix`.
    std::vector<std::string> matching(const std::string& prefix) const;
    int count(const std::string& prefix) const { return static_cast<int>(matching(prefix).size()); }

    std::vector<std::string> calls;
    bool charByChar = true;
    bool nonText = true;
    // When set, XObject image calls read the whole image stream (and log how many bytes they
    // got); inline images are always consumed exactly as the base device does.
    bool readImages = true;
};

// "%g" formatting of a number, as the log uses it.
std::string num(double v);

}  // namespace qm::test

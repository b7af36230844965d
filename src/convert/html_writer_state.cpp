#include "convert/html_writer_state.h"

#include "convert/settings.h"

namespace qm {

void HtmlWriterState::startFile() {
    webFonts_.clear();
    classes_.clear();
    classesWritten_ = 0;
    familiesWritten_.clear();
    blockStyleWritten_ = false;
    pageTopOffset_ = 0;
    continuous_ = Settings::readFlag(Setting::continuousMode);
    lastError_.clear();
    thumbnailFonts_ = std::make_unique<DeviceFontCache>();
}

bool HtmlWriterState::finishFile() {
    if (!webFonts_.pending()) return true;
    std::string error;
    if (webFonts_.writeAll(error)) return true;
    lastError_ = error;
    return false;
}

HtmlWriterState& htmlWriterState() {
    struct Started {
        HtmlWriterState state;
        Started() { state.startFile(); }
    };
    static Started instance;
    return instance.state;
}

}  // namespace qm

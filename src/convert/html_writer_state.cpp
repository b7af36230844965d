#include "convert/html_writer_state.h"

#include "convert/settings.h"

namespace qm {

void HtmlWriterState::startFile() {
    classes_.clear();
    pageTopOffset_ = 0;
    continuous_ = Settings::readFlag(Setting::continuousMode);
    lastError_.clear();
    thumbnailFonts_ = std::make_unique<DeviceFontCache>();
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

#pragma once
// What the page HTML writer keeps from one page to the next while a file is converted: the
// text styles met so far, the vertical offset of the next page and the mode. The document
// functions take no handle for it, so there is one owner for the process; the conversion
// of each file starts with startFile(), and one conversion runs at a time.
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "convert/font_class_table.h"
#include "convert/web_font_files.h"
#include "render/device_font_cache.h"

namespace qm {

class HtmlWriterState {
public:
    // Empties the style table, puts the next page at the top, reads the mode from the
    // settings (continuous mode is fixed for the whole file), forgets the last error and the
    // thumbnail fonts. Web fonts a conversion before left unwritten are dropped.
    void startFile();
    // Writes the web fonts the file's pages use; false when one could not be written
    // (lastError says which). Nothing to do when no page used any.
    bool finishFile();

    WebFontFiles& webFonts() { return webFonts_; }

    // What the file's style blocks hold so far (continuous mode writes each style once):
    // the classes before this number, the web font families, and the block style.
    size_t classesWritten() const { return classesWritten_; }
    std::set<std::string>& familiesWritten() { return familiesWritten_; }
    bool blockStyleWritten() const { return blockStyleWritten_; }
    void noteStylesWritten(size_t classes, bool blockStyle) {
        classesWritten_ = classes;
        blockStyleWritten_ = blockStyleWritten_ || blockStyle;
    }

    FontClassTable& fontClasses() { return classes_; }
    const FontClassTable& fontClasses() const { return classes_; }

    bool continuousMode() const { return continuous_; }
    void setContinuousMode(bool on) { continuous_ = on; }

    // Pixels added to every vertical position the writer emits.
    int64_t pageTopOffset() const { return pageTopOffset_; }
    void advancePageTop(int64_t pixels) { pageTopOffset_ += pixels; }

    // The message of the last page file that could not be written ("" when none), for the
    // caller to show; the document functions report success or failure only.
    const std::string& lastError() const { return lastError_; }
    void setLastError(std::string message) { lastError_ = std::move(message); }

    // The fonts the page thumbnails draw their text with, kept from page to page.
    DeviceFontCache& thumbnailFonts() { return *thumbnailFonts_; }

private:
    FontClassTable classes_;
    int64_t pageTopOffset_ = 0;
    bool continuous_ = false;
    std::string lastError_;
    std::unique_ptr<DeviceFontCache> thumbnailFonts_ = std::make_unique<DeviceFontCache>();
    WebFontFiles webFonts_;
    size_t classesWritten_ = 0;
    std::set<std::string> familiesWritten_;
    bool blockStyleWritten_ = false;
};

// The process's writer state; made on first use with startFile() applied.
HtmlWriterState& htmlWriterState();

}  // namespace qm

#pragma once
// Test helpers of the conversion layer: a private settings folder per test (so the user's
// profile is never read or written) and small display-list builders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../platform/temp_folder.h"
#include "convert/settings.h"
#include "fonts/global_settings.h"
#include "render/display_list.h"

namespace qm::test {

// The engine's configuration, held while pages are drawn.
struct EngineSettings {
    EngineSettings() { createGlobalSettings("config.lst"); }
    ~EngineSettings() { destroyGlobalSettings(); }
};

// Points the settings at a fresh folder for the life of the test and drops every override.
class SettingsSandbox : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        ::setenv("XDG_CONFIG_HOME", (config_.path()).c_str(), 1);
        Settings::clearOverrides();
    }
    void TearDown() override {
        Settings::clearOverrides();
        if (hadOld_) ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
    }
    std::string configFolder() const { return config_.path() + "/vellumix"; }

    TempFolder config_;
    TempFolder out_;

private:
    bool hadOld_ = false;
    std::string old_;
};

// Appends one upright or rotated glyph.
inline void addGlyph(PageObject& page, int x, int y, std::u16string_view text, const char* face = "Arial",
                     int advance = 8, int height = 16, uint32_t colour = 0, bool bold = false, bool italic = false,
                     int orientation = 0) {
    appendPageItem(page, QM_ITEM_TEXT,
                   makeTextItem(x, y, reinterpret_cast<const uint16_t*>(text.data()), static_cast<int32_t>(text.size()),
                                face, advance, height, bold, italic, orientation, colour));
}

inline PageObjectPtr emptyPage(int width = 200, int height = 100) {
    PageObjectPtr page = newPageObject();
    page->width = width;
    page->height = height;
    page->pageNumber = 1;
    page->pageCount = 1;
    page->zoom = 100;
    return page;
}

// The text with CR LF line ends, as the writers store it.
inline std::string crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Number of times `what` occurs in `text`.
inline int occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

}  // namespace qm::test

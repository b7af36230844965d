#pragma once
// The mapping from PDF font names to installed faces, and the default face, read from the
// "FontNameMapping" section of config.ini ("FontCount", "DefaultFontName", "PdfFontName%d",
// "OsFontName%d"). The process shares one map, loaded on first use; a file without entries
// is read again at the next use, so a mapping added later is seen.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class FontNameMap {
public:
    // Faces are at most 31 bytes and at most this many entries are read.
    static constexpr int kMaxEntries = 256;

    // Reads the section of the settings file at `path`; a missing file gives no entries
    // and the built-in default face.
    static FontNameMap load(const std::string& path);

    // The installed face for a PDF font name (exact, case-sensitive match), or null.
    const std::string* map(std::string_view pdfName) const;
    const std::string& defaultFace() const { return defaultFace_; }
    int count() const { return static_cast<int>(pdfNames_.size()); }

private:
    std::string defaultFace_;
    std::vector<std::string> pdfNames_, faces_;
};

// The process-wide map, read from configIniPath(); safe to call from any thread.
std::shared_ptr<const FontNameMap> fontNameMap();
// The face the map gives for `name`, or `name` itself.
std::string mapFaceName(std::string_view name);

}  // namespace qm

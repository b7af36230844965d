#include "render/font_name_map.h"

#include <mutex>

#include "platform/system/profile_file.h"

namespace qm {

namespace {

constexpr const char* kSection = "FontNameMapping";
// The Japanese serif face the program falls back to, in full-width letters (UTF-8).
constexpr const char* kBuiltinDefaultFace = "\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D";
constexpr size_t kMaxFaceBytes = 31;

// Cut to the slot size without splitting a UTF-8 sequence.
std::string slot(std::string s) {
    if (s.size() <= kMaxFaceBytes) return s;
    size_t n = kMaxFaceBytes;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
    return s;
}

}  // namespace

FontNameMap FontNameMap::load(const std::string& path) {
    FontNameMap map;
    map.defaultFace_ = slot(readProfileString(path, kSection, "DefaultFontName", kBuiltinDefaultFace));
    if (map.defaultFace_.empty()) map.defaultFace_ = kBuiltinDefaultFace;
    int count = readProfileInt(path, kSection, "FontCount", 0);
    if (count > kMaxEntries) count = kMaxEntries;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        map.pdfNames_.push_back(slot(readProfileString(path, kSection, "PdfFontName" + n, "Default")));
        map.faces_.push_back(slot(readProfileString(path, kSection, "OsFontName" + n, "Default")));
    }
    return map;
}

const std::string* FontNameMap::map(std::string_view pdfName) const {
    for (size_t i = 0; i < pdfNames_.size(); ++i)
        if (pdfNames_[i] == pdfName) return &faces_[i];
    return nullptr;
}

std::shared_ptr<const FontNameMap> fontNameMap() {
    static std::mutex lock;
    static std::shared_ptr<const FontNameMap> loaded;
    std::lock_guard<std::mutex> guard(lock);
    if (!loaded || loaded->count() == 0) loaded = std::make_shared<const FontNameMap>(FontNameMap::load(configIniPath()));
    return loaded;
}

std::string mapFaceName(std::string_view name) {
    const auto map = fontNameMap();
    if (const std::string* face = map->map(name)) return *face;
    return std::string(name);
}

}  // namespace qm

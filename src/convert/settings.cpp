#include "convert/settings.h"

#include <array>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <variant>

#include "platform/system/file_ops.h"
#include "platform/system/profile_file.h"
#include "render/embedded_fonts.h"

namespace qm {

namespace {

using enum Setting;
using enum SettingStore;
constexpr SettingType kInt = SettingType::integer;
constexpr SettingType kText = SettingType::text;

// The section of the program's own entries in the profile and in config.ini.
constexpr const char* kProgramSection = "VELLUMX";

constexpr std::array<SettingInfo, 30> kSettings{{
    {zoom, profile, "ZoomRatio", "Zoom", kInt, 100, nullptr},
    {pageRangeType, profile, "PageRangeType", "Type", kInt, 0, nullptr},
    {pageFrom, profile, "PageRange", "From", kInt, 1, nullptr},
    {pageTo, profile, "PageRange", "To", kInt, 100000, nullptr},
    {preview, profile, "Preview", "Flag", kInt, 0, nullptr},
    {continuousMode, profile, "GenerateInOneHTMLPage", "Flag", kInt, 0, nullptr},
    {removePictures, profile, "m_bRemovePics", "Flag", kInt, 0, nullptr},
    {pageTitleKind, profile, "CHTMLPage", "m_iPageTitle", kInt, 0, nullptr},
    {pageTitle, profile, "CHTMLPage", "m_szPageTitle", kText, 0, ""},
    {backgroundColour, profile, "CHTMLPage", "m_clBackground", kInt, 0xFFFFFF, nullptr},
    {pageKeywords, profile, "CHTMLPage", "m_szPageKeywords", kText, 0, ""},
    {homepageEnabled, profile, "CHTMLPage", "m_bHomepageURL", kInt, 0, nullptr},
    {homepageUrl, profile, "CHTMLPage", "m_strHomepageURL", kText, 0, ""},
    {enableLinks, profile, "CHyperlinks", "m_bEnableLinks", kInt, 1, nullptr},
    {ownerPassword, profile, "CPDFPassword", "m_szOwnerPassword", kText, 0, ""},
    {userPassword, profile, "CPDFPassword", "m_szUserPassword", kText, 0, ""},
    {jpegQuality, profile, "CRasterImage", "m_iJPGQuality", kInt, 75, nullptr},
    {grayscale, profile, "CRasterImage", "m_bGrayscale", kInt, 0, nullptr},
    {antialias, profile, "CRasterImage", "m_bAntialias", kInt, 0, nullptr},
    {insertSpaces, profile, kProgramSection, "CheckSpaces", kInt, 1, nullptr},
    {webFonts, profile, kProgramSection, "WebFonts", kInt, 1, nullptr},
    {windowTopMost, profile, "WindowsTopMost", "Flag", kInt, 0, nullptr},
    {convertType, profile, "m_convertType", "type", kInt, kConvertToHtml, nullptr},
    // The open dialog starts in the user's home folder (see defaultText).
    {lastOpenPath, profile, "FilePath", "LastOpenPath", kText, 0, nullptr},
    {saveDirectory, profile, "htmSaveDefaultDirectory", "Path", kText, 0, ""},
    {runGapLimit, configIni, kProgramSection, "CharSpaces", kInt, 50, nullptr},
    // The renderer reads this one itself; the entry makes it an option like the others.
    {embeddedFonts, configIni, kRenderSection, kEmbeddedFontsKey, kInt, 1, nullptr},
    {quiet, memory, nullptr, "quiet", kInt, 0, nullptr},
    {exitAfterConverting, memory, nullptr, "exit after converting", kInt, 0, nullptr},
    {overwrite, memory, nullptr, "overwrite", kInt, 0, nullptr},
}};

constexpr bool tableInEnumOrder() {
    for (size_t i = 0; i < kSettings.size(); ++i)
        if (static_cast<size_t>(kSettings[i].id) != i) return false;
    return true;
}
static_assert(tableInEnumOrder(), "the settings table lists every setting once, in enum order");
static_assert(kSettings.back().id == Setting::overwrite, "every setting has a row");

using OverrideValue = std::variant<int, std::string>;

// Overrides are set by the command line before a run and read by the worker thread, so they
// are guarded even though writes are rare.
struct Overrides {
    std::mutex lock;
    std::map<Setting, OverrideValue> values;
};
Overrides& overrides() {
    static Overrides instance;
    return instance;
}

std::optional<OverrideValue> overrideOf(Setting s) {
    Overrides& o = overrides();
    std::lock_guard<std::mutex> guard(o.lock);
    auto it = o.values.find(s);
    if (it == o.values.end()) return std::nullopt;
    return it->second;
}

std::string readFilePath(const SettingInfo& info) {
    return info.store == configIni ? configIniPath() : applicationProfilePath();
}
std::string writeFilePath(const SettingInfo& info) {
    return info.store == configIni ? configIniWritePath() : applicationProfilePath();
}

// The user's config.ini is read instead of the installed one as soon as it exists, so it
// starts as a copy of the installed file: a value written from the options must not hide the
// installed entries (the font-name mapping) that the user never changed.
bool seedUserConfigIni() {
    const std::string user = configIniWritePath();
    if (isRegularFile(user)) return true;
    const std::string installed = configIniPath();  // the installed file while there is no copy
    if (!isRegularFile(installed)) return true;
    const size_t slash = user.rfind('/');
    if (slash != std::string::npos && !makeDirectoryPath(user.substr(0, slash))) return false;
    return copyFile(installed, user);
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home == '/' ? std::string(home) : std::string("/");
}

}  // namespace

const SettingInfo& Settings::info(Setting s) { return kSettings[static_cast<size_t>(s)]; }

std::span<const SettingInfo> Settings::all() { return kSettings; }

std::string Settings::defaultText(Setting s) {
    const SettingInfo& i = info(s);
    if (i.type != kText) return "";
    if (s == lastOpenPath) return homeFolder();
    return i.textDefault ? i.textDefault : "";
}

int Settings::readInt(Setting s) {
    if (auto o = overrideOf(s); o && std::holds_alternative<int>(*o)) return std::get<int>(*o);
    return readStoredInt(s);
}

int Settings::readStoredInt(Setting s) {
    const SettingInfo& i = info(s);
    if (i.type != kInt) return 0;
    if (i.store == memory) return i.intDefault;
    return readProfileInt(readFilePath(i), i.section, i.entry, i.intDefault);
}

std::string Settings::readText(Setting s) {
    if (auto o = overrideOf(s); o && std::holds_alternative<std::string>(*o)) return std::get<std::string>(*o);
    return readStoredText(s);
}

std::string Settings::readStoredText(Setting s) {
    const SettingInfo& i = info(s);
    if (i.type != kText) return "";
    std::string fallback = defaultText(s);
    if (i.store == memory) return fallback;
    return readProfileString(readFilePath(i), i.section, i.entry, fallback);
}

bool Settings::write(Setting s, int value) {
    const SettingInfo& i = info(s);
    if (i.type != kInt || i.store == memory) return false;
    if (i.store == configIni && !seedUserConfigIni()) return false;
    return writeProfileInt(writeFilePath(i), i.section, i.entry, value);
}

bool Settings::write(Setting s, std::string_view value) {
    const SettingInfo& i = info(s);
    if (i.type != kText || i.store == memory) return false;
    if (i.store == configIni && !seedUserConfigIni()) return false;
    return writeProfileString(writeFilePath(i), i.section, i.entry, value);
}

void Settings::setOverride(Setting s, int value) {
    if (info(s).type != kInt) return;
    Overrides& o = overrides();
    std::lock_guard<std::mutex> guard(o.lock);
    o.values[s] = value;
}

void Settings::setOverride(Setting s, std::string_view value) {
    if (info(s).type != kText) return;
    Overrides& o = overrides();
    std::lock_guard<std::mutex> guard(o.lock);
    o.values[s] = std::string(value);
}

void Settings::clearOverride(Setting s) {
    Overrides& o = overrides();
    std::lock_guard<std::mutex> guard(o.lock);
    o.values.erase(s);
}

void Settings::clearOverrides() {
    Overrides& o = overrides();
    std::lock_guard<std::mutex> guard(o.lock);
    o.values.clear();
}

int Settings::jpegQualityOrDefault() {
    int q = readInt(jpegQuality);
    return q >= 1 && q <= 100 ? q : 0;
}

}  // namespace qm

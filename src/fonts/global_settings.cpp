#include "fonts/global_settings.h"

#include <cstdlib>

#include "core/report_error.h"
#include "fonts/builtin_tables.h"
#include "fonts/config_file.h"
#include "platform/system/full_path.h"

namespace qm {

GlobalSettings* globalSettings = nullptr;

namespace {

struct BuiltinDisplayFont {
    const char* name;
    const char* pattern;
    const char* encoding;
};

const BuiltinDisplayFont kBuiltinDisplayFonts[] = {
    {"Courier", "-*-courier-medium-r-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Courier-Bold", "-*-courier-bold-r-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Courier-BoldOblique", "-*-courier-bold-o-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Courier-Oblique", "-*-courier-medium-o-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Helvetica", "-*-helvetica-medium-r-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Helvetica-Bold", "-*-helvetica-bold-r-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Helvetica-BoldOblique", "-*-helvetica-bold-o-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Helvetica-Oblique", "-*-helvetica-medium-o-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Symbol", "-*-symbol-medium-r-normal-*-%s-*-*-*-*-*-adobe-fontspecific", "Symbol"},
    {"Times-Bold", "-*-times-bold-r-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Times-BoldItalic", "-*-times-bold-i-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Times-Italic", "-*-times-medium-i-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"Times-Roman", "-*-times-medium-r-normal-*-%s-*-*-*-*-*-iso8859-1", "Latin1"},
    {"ZapfDingbats", "-*-zapfdingbats-medium-r-normal-*-%s-*-*-*-*-*-*-*", "ZapfDingbats"},
};

FilePtr openFirstInDirs(const std::vector<PdfString>& dirs, const char* name) {
    for (const PdfString& dir : dirs)
        if (FilePtr f = openDataFileIn(dir.text(), name, "r")) return f;
    return nullptr;
}

}  // namespace

GlobalSettings::GlobalSettings(const char* configFileName) {
    nameToUnicode_.addStatic(kBuiltinGlyphList, kBuiltinGlyphListCount);
    addResidentMap(UnicodeMap::makeTable("Latin1", kLatin1Ranges, kLatin1RangesCount));
    addResidentMap(UnicodeMap::makeTable("ASCII7", kAscii7Ranges, kAscii7RangesCount));
    addResidentMap(UnicodeMap::makeTable("Symbol", kSymbolRanges, kSymbolRangesCount));
    addResidentMap(UnicodeMap::makeTable("ZapfDingbats", kZapfDingbatsRanges, kZapfDingbatsRangesCount));
    addResidentMap(UnicodeMap::makeFunction("UTF-8", encodeUtf8));
    addDefaultDisplayFonts();
    readConfig(configFileName ? configFileName : "");
}

GlobalSettings::~GlobalSettings() {
    unicodeMapCache_.clear();
    residentUnicodeMaps_.forEach([](const char*, UnicodeMap* map) { map->release(); });
}

void GlobalSettings::addResidentMap(UnicodeMap* map) {
    residentUnicodeMaps_.insert(map->encodingName().text(), map);
}

void GlobalSettings::addDefaultDisplayFonts() {
    for (const BuiltinDisplayFont& f : kBuiltinDisplayFonts) {
        auto record = std::make_unique<DisplayFontRecord>();
        record->name = PdfString(f.name);
        record->kind = DisplayFontRecord::XFont;
        record->pattern = PdfString(f.pattern);
        record->encoding = PdfString(f.encoding);
        displayFonts_.set(f.name, std::move(record));
    }
}

void GlobalSettings::readConfig(const char* configFileName) {
    std::string name(configFileName);
    std::string opened;
    FilePtr file;
    if (!name.empty()) {
        file = openDataFile(name, "r", &opened);
        // The program's own data folder plays the part of the folder beside the program,
        // where a relative name like "config.lst" is expected to be found.
        if (!file && name[0] != '/') file = openDataFile(resourceRoot() + "/" + name, "r", &opened);
    }
    if (!file) {
        const char* home = std::getenv("HOME");
        file = openDataFile(joinDataPath(home ? home : ".", "pdfrc"), "r", &opened);
    }
    if (!file) file = openDataFile(joinDataPath(resourceRoot(), "pdfrc"), "r", &opened);
    if (!file) return;
    configFilePath_ = opened;
    readConfigFile(*this, file.get(), opened);
}

UnicodeMap* GlobalSettings::getUnicodeMap(const char* encodingName) {
    if (!encodingName) return nullptr;
    if (UnicodeMap* map = residentUnicodeMaps_.lookup(encodingName)) {
        map->addRef();
        return map;
    }
    if (UnicodeMap* map = unicodeMapCache_.find(encodingName)) return map;
    FilePtr file = findUnicodeMapFile(encodingName);
    if (!file) {
        reportError(-1, "Couldn't find unicodeMap file for the '%s' encoding", encodingName);
        return nullptr;
    }
    UnicodeMap* map = UnicodeMap::readFile(encodingName, file.get());
    unicodeMapCache_.add(map);
    return map;
}

CPDFMap* GlobalSettings::getCPDFMap(const char* collection, const char* name, int depth) {
    if (CPDFMap* map = cMapCache_.find(collection, name)) return map;
    CPDFMap* map = CPDFMap::parse(*this, collection, name, depth);
    if (map) cMapCache_.add(map);
    return map;
}

CodeToUnicodeMap* GlobalSettings::getCidToUnicode(const char* collection) {
    if (CodeToUnicodeMap* map = cidToUnicodeCache_.find(collection)) return map;
    FilePtr file = findCidToUnicodeFile(collection);
    if (!file) {
        reportError(-1, "Couldn't find cidToUnicode file for the '%s' collection", collection);
        return nullptr;
    }
    CodeToUnicodeMap* map = CodeToUnicodeMap::readCidToUnicode(collection, file.get());
    cidToUnicodeCache_.add(map);
    return map;
}

FilePtr GlobalSettings::findCMapFile(const char* collection, const char* name) const {
    const std::vector<PdfString>* dirs = cMapDirs_.get(collection);
    return dirs && name ? openFirstInDirs(*dirs, name) : nullptr;
}

FilePtr GlobalSettings::findToUnicodeFile(const char* name) const {
    return name ? openFirstInDirs(toUnicodeDirs_, name) : nullptr;
}

FilePtr GlobalSettings::findCidToUnicodeFile(const char* collection) const {
    const PdfString* file = cidToUnicodes_.get(collection);
    return file ? openDataFile(file->text(), "r") : nullptr;
}

FilePtr GlobalSettings::findUnicodeMapFile(const char* encodingName) const {
    const PdfString* file = unicodeMaps_.get(encodingName);
    return file ? openDataFile(file->text(), "r") : nullptr;
}

bool GlobalSettings::findFontFile(const char* baseName, const char* ext1, const char* ext2, PdfString* path) const {
    if (!baseName || !*baseName) return false;
    for (const PdfString& dir : fontDirs_) {
        for (const char* ext : {ext1, ext2}) {
            if (!ext) continue;
            std::string opened;
            if (openDataFileIn(dir.text(), std::string(baseName) + ext, "r", &opened)) {
                if (path) *path = PdfString(fullPath(opened).c_str());
                return true;
            }
        }
    }
    return false;
}

void createGlobalSettings(const char* configFileName) {
    destroyGlobalSettings();
    globalSettings = new GlobalSettings(configFileName);
}

void destroyGlobalSettings() {
    delete globalSettings;
    globalSettings = nullptr;
}

}  // namespace qm

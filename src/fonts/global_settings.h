#pragma once
// The engine's configuration and the font and text tables shared by every document:
// glyph names, output encodings, where CMap, ToUnicode, cidToUnicode, unicodeMap and font
// files are found, the display fonts the renderer draws with, and the caches of shared maps.
// One instance per process, reached through `globalSettings` while a document is open.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/pdf_string.h"
#include "core/string_map.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/cpdf_map.h"
#include "fonts/data_file.h"
#include "fonts/glyph_name_table.h"
#include "fonts/map_cache.h"
#include "fonts/owned_string_map.h"
#include "fonts/unicode_map.h"

namespace qm {

struct DisplayFontRecord {
    enum Kind { XFont = 0, Type1File = 1, TrueTypeFile = 2 };
    PdfString name;      // PDF font name, or collection for CID records
    Kind kind = XFont;
    PdfString pattern;   // XFont: font description with "%s" where the size goes
    PdfString encoding;  // XFont: a UnicodeMap name
    PdfString file;      // Type1File, TrueTypeFile
};

enum class PsLevel { Level1 = 0, Level1Sep = 1, Level2 = 2, Level2Sep = 3 };
enum class TextEol { Unix = 0, Dos = 1, Mac = 2 };
enum class RasterControl { None = 0, Plain = 1, Low = 2, High = 3 };

class GlobalSettings {
public:
    // Builds the defaults, then reads the configuration file: `configFileName` through the
    // data-file search (a relative name also in the resource root), else $HOME/pdfrc, else
    // pdfrc in the resource root. No file leaves the defaults, without a message.
    explicit GlobalSettings(const char* configFileName);
    ~GlobalSettings();
    GlobalSettings(const GlobalSettings&) = delete;
    GlobalSettings& operator=(const GlobalSettings&) = delete;

    // Path of the configuration file that was read; empty when none was found.
    const std::string& configFilePath() const { return configFilePath_; }

    // --- Glyph names and output encodings
    uint16_t mapNameToUnicode(const char* name) const { return nameToUnicode_.lookup(name); }
    void addNameToUnicode(const char* name, uint16_t value) { nameToUnicode_.add(name, value); }
    // A new reference (the caller releases it), or null: built-in maps by exact name first,
    // then the cache of file maps, then the file named by a `unicodeMap` command.
    UnicodeMap* getUnicodeMap(const char* encodingName);
    MapCache<UnicodeMap>& unicodeMapCache() { return unicodeMapCache_; }

    // --- Character maps, each with a new reference (the caller releases it), or null.
    // The CMap of a collection by name: the cache, else its file (usecmap reads nest up to
    // `depth`), else the identity maps.
    CPDFMap* getCPDFMap(const char* collection, const char* name, int depth = 0);
    // The CID -> Unicode map of a collection: the cache, else the file named for it.
    CodeToUnicodeMap* getCidToUnicode(const char* collection);
    MapCache<CPDFMap>& cMapCache() { return cMapCache_; }
    MapCache<CodeToUnicodeMap>& cidToUnicodeCache() { return cidToUnicodeCache_; }

    // --- Data files; each result is open for reading, or null.
    // Each directory listed for the collection, in order: directory/name.
    FilePtr findCMapFile(const char* collection, const char* name) const;
    // Each toUnicodeDir, in order: directory/name.
    FilePtr findToUnicodeFile(const char* name) const;
    FilePtr findCidToUnicodeFile(const char* collection) const;
    FilePtr findUnicodeMapFile(const char* encodingName) const;
    // For each font directory in order, baseName + ext1, then baseName + ext2 (when given).
    // On success `path` receives the full path of the file that opened.
    bool findFontFile(const char* baseName, const char* ext1, const char* ext2, PdfString* path) const;

    // --- Display fonts
    const DisplayFontRecord* getDisplayFont(const char* fontName) const { return displayFonts_.get(fontName); }
    const DisplayFontRecord* getDisplayCIDFont(const char* collection) const {
        return displayCIDFonts_.get(collection);
    }

    // --- Recorded values (null when not configured)
    const PdfString* cidToUnicodeFile(const char* collection) const { return cidToUnicodes_.get(collection); }
    const PdfString* unicodeMapFile(const char* encodingName) const { return unicodeMaps_.get(encodingName); }
    const std::vector<PdfString>* cMapDirs(const char* collection) const { return cMapDirs_.get(collection); }
    const std::vector<PdfString>& toUnicodeDirs() const { return toUnicodeDirs_; }
    const std::vector<PdfString>& fontDirs() const { return fontDirs_; }
    const PdfString* psFont(const char* fontName) const { return psFonts_.get(fontName); }
    const PdfString* psFile() const { return hasPsFile_ ? &psFile_ : nullptr; }
    const PdfString* urlCommand() const { return hasUrlCommand_ ? &urlCommand_ : nullptr; }
    int psPaperWidth() const { return psPaperWidth_; }
    int psPaperHeight() const { return psPaperHeight_; }
    bool psDuplex() const { return psDuplex_; }
    PsLevel psLevel() const { return psLevel_; }
    bool psEmbedType1() const { return psEmbedType1_; }
    bool psEmbedTrueType() const { return psEmbedTrueType_; }
    bool psOPI() const { return psOPI_; }
    const PdfString& textEncoding() const { return textEncoding_; }
    TextEol textEOL() const { return textEOL_; }
    RasterControl t1libControl() const { return t1libControl_; }
    RasterControl freetypeControl() const { return freetypeControl_; }
    bool mapNumericCharNames() const { return mapNumericCharNames_; }
    bool errQuiet() const { return errQuiet_; }

private:
    friend class ConfigFileReader;

    void addResidentMap(UnicodeMap* map);
    void addDefaultDisplayFonts();
    void readConfig(const char* configFileName);

    std::string configFilePath_;
    GlyphNameTable nameToUnicode_;
    StringMap<UnicodeMap> residentUnicodeMaps_;  // one reference each, released at the end
    OwnedStringMap<PdfString> cidToUnicodes_;
    OwnedStringMap<PdfString> unicodeMaps_;
    OwnedStringMap<std::vector<PdfString>> cMapDirs_;
    std::vector<PdfString> toUnicodeDirs_;
    OwnedStringMap<DisplayFontRecord> displayFonts_;
    OwnedStringMap<DisplayFontRecord> displayCIDFonts_;
    bool hasPsFile_ = false;
    PdfString psFile_;
    int psPaperWidth_ = 612;
    int psPaperHeight_ = 792;
    bool psDuplex_ = false;
    PsLevel psLevel_ = PsLevel::Level2;
    OwnedStringMap<PdfString> psFonts_;
    bool psEmbedType1_ = true;
    bool psEmbedTrueType_ = true;
    bool psOPI_ = false;
    PdfString textEncoding_{"Latin1"};
    TextEol textEOL_ = TextEol::Dos;
    std::vector<PdfString> fontDirs_;
    RasterControl t1libControl_ = RasterControl::Low;
    RasterControl freetypeControl_ = RasterControl::Low;
    bool hasUrlCommand_ = false;
    PdfString urlCommand_;
    bool mapNumericCharNames_ = true;
    bool errQuiet_ = false;
    MapCache<UnicodeMap> unicodeMapCache_;
    MapCache<CPDFMap> cMapCache_;
    MapCache<CodeToUnicodeMap> cidToUnicodeCache_;
};

// The process-wide settings; null while no document is open.
extern GlobalSettings* globalSettings;
// Replaces the process-wide settings (destroying the previous ones) with new ones read
// from `configFileName`.
void createGlobalSettings(const char* configFileName);
void destroyGlobalSettings();

// The process-wide settings for the lifetime of the object, read from "config.lst" unless
// another name is given; declare it before the documents that use them.
class GlobalSettingsScope {
public:
    explicit GlobalSettingsScope(const char* configFileName = "config.lst") { createGlobalSettings(configFileName); }
    ~GlobalSettingsScope() { destroyGlobalSettings(); }
    GlobalSettingsScope(const GlobalSettingsScope&) = delete;
    GlobalSettingsScope& operator=(const GlobalSettingsScope&) = delete;
};

}  // namespace qm

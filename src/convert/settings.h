#pragma once
// Every option of the program, named once: where it is stored (the application profile, the
// program's config.ini, or only in memory for one run), its section and entry, its type and
// its default. Values are read from the files at the moment they are asked for, so a change
// made while a queue runs takes effect from the next read. An override set for one run (the
// command line's switches) wins over the files and is never written to them.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qm {

enum class Setting {
    // application profile
    zoom,                 // rendering resolution in dots per inch
    pageRangeType,        // 0 all pages, 1 pageFrom..pageTo
    pageFrom,
    pageTo,
    preview,              // open the last output in the browser when the queue is done
    continuousMode,       // all pages in one index.htm
    removePictures,       // continuous mode without page images
    pageTitleKind,        // 0 the PDF's base name, 1 pageTitle
    pageTitle,
    backgroundColour,     // 0x00BBGGRR
    pageKeywords,
    homepageEnabled,
    homepageUrl,
    enableLinks,
    ownerPassword,
    userPassword,
    jpegQuality,          // used only when it lies in 1..100
    grayscale,
    antialias,            // page pictures drawn with smooth edges
    insertSpaces,         // a space where the gap between characters is wide
    webFonts,             // text in web fonts made from the document's own font programs
    windowTopMost,
    convertType,          // 0 HTML page sets, 1 BMP images
    lastOpenPath,
    saveDirectory,
    // config.ini
    runGapLimit,          // largest x step between characters of one text run; 0: one block each
    embeddedFonts,        // page pictures drawn with the document's own fonts (read by the renderer)
    // this run only
    quiet,                // no message boxes about page ranges and unreadable files
    exitAfterConverting,  // end the program when the queue is done
    overwrite,            // replace existing outputs without asking
};

enum class SettingStore { profile, configIni, memory };
enum class SettingType { integer, text };

struct SettingInfo {
    Setting id;
    SettingStore store;
    const char* section;  // null for memory-only settings
    const char* entry;
    SettingType type;
    int intDefault;
    const char* textDefault;
};

// Converting to HTML (0) or to BMP images (1), the values of convertType. PNG (2) and SVG (3)
// pages are only ever set for one run from the command line.
inline constexpr int kConvertToHtml = 0;
inline constexpr int kConvertToBmp = 1;
inline constexpr int kConvertToPng = 2;
inline constexpr int kConvertToSvg = 3;

class Settings {
public:
    static const SettingInfo& info(Setting s);
    static std::span<const SettingInfo> all();

    // The override when one is set, else the stored value, else the default. Reading a text
    // setting as an integer (or the reverse) gives the default of the asked type.
    static int readInt(Setting s);
    static bool readFlag(Setting s) { return readInt(s) != 0; }
    static std::string readText(Setting s);
    // The value in the files (or the default), whatever override is in force: what the
    // options show and edit, so that a switch of this run is never saved by accident.
    static int readStoredInt(Setting s);
    static std::string readStoredText(Setting s);
    // The default the table gives (texts may depend on the user's folders).
    static std::string defaultText(Setting s);

    // Stores the value in the user's file (atomically). False for memory-only settings, a
    // type mismatch or a failed write. An override of the same setting stays in force.
    static bool write(Setting s, int value);
    static bool write(Setting s, std::string_view value);

    // Overrides for this run only.
    static void setOverride(Setting s, int value);
    static void setOverride(Setting s, std::string_view value);
    static void clearOverride(Setting s);
    static void clearOverrides();

    // The JPEG quality when it lies in 1..100, else 0 (the encoder's own default).
    static int jpegQualityOrDefault();
};

}  // namespace qm

#include "platform/canvas/font_match.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <string_view>

namespace qm {

namespace {

// Families to try, in order, for the faces documents name most; the last entry of each list
// is a generic family that always gives something.
struct Alias {
    std::initializer_list<std::string_view> faces;
    std::initializer_list<const char*> families;
};

constexpr const char* kSerifCjk[] = {"Noto Serif CJK SC", "Source Han Serif SC", "AR PL UMing CN",
                                     "AR PL SungtiL GB", "IPAMincho", "IPAexMincho", "WenQuanYi Zen Hei",
                                     "Noto Sans CJK SC", "Droid Sans Fallback", "serif"};
constexpr const char* kSansCjk[] = {"Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Zen Hei",
                                    "WenQuanYi Micro Hei", "IPAGothic", "IPAexGothic", "Droid Sans Fallback",
                                    "AR PL UKai CN", "sans-serif"};

const Alias kAliases[] = {
    {{"arial", "helvetica", "arialmt", "helveticaneue", "arimo"},
     {"Liberation Sans", "Arimo", "Nimbus Sans", "Nimbus Sans L", "DejaVu Sans", "sans-serif"}},
    {{"arialnarrow", "helveticanarrow", "helveticacondensed"},
     {"Liberation Sans Narrow", "Nimbus Sans Narrow", "DejaVu Sans Condensed", "sans-serif"}},
    {{"timesnewroman", "times", "timesroman", "timesnewromanps", "timesnewromanpsmt", "tinos"},
     {"Liberation Serif", "Tinos", "Nimbus Roman", "Nimbus Roman No9 L", "DejaVu Serif", "serif"}},
    {{"couriernew", "courier", "couriernewpsmt", "cousine"},
     {"Liberation Mono", "Cousine", "Nimbus Mono PS", "Nimbus Mono L", "DejaVu Sans Mono", "monospace"}},
    {{"calibri"}, {"Carlito", "Liberation Sans", "DejaVu Sans", "sans-serif"}},
    {{"cambria"}, {"Caladea", "Liberation Serif", "DejaVu Serif", "serif"}},
    {{"verdana", "tahoma", "segoeui", "microsoftsansserif", "lucidasansunicode"},
     {"DejaVu Sans", "Liberation Sans", "sans-serif"}},
    {{"georgia", "bookantiqua", "palatinolinotype", "garamond"}, {"DejaVu Serif", "Liberation Serif", "serif"}},
    {{"lucidaconsole", "consolas"}, {"DejaVu Sans Mono", "Liberation Mono", "monospace"}},
    {{"symbol"}, {"Standard Symbols PS", "Symbol", "DejaVu Sans", "sans-serif"}},
};

// CJK faces, named in Latin letters or in their own script (UTF-8).
constexpr std::string_view kSerifCjkFaces[] = {
    "simsun", "nsimsun", "stsong", "songti", "mingliu", "pmingliu", "msmincho", "mspmincho", "batang",
    "batangche", "mincho", "\xE5\xAE\x8B\xE4\xBD\x93" /* song ti */,
    "\xEF\xBC\xAD\xEF\xBC\xB3\xE6\x98\x8E\xE6\x9C\x9D" /* full-width MS Mincho */,
    "\xEF\xBC\xAD\xEF\xBC\xB3\xEF\xBC\xB0\xE6\x98\x8E\xE6\x9C\x9D" /* full-width MS PMincho */};
constexpr std::string_view kSansCjkFaces[] = {
    "simhei", "stheiti", "heiti", "microsoftyahei", "msgothic", "mspgothic", "msuigothic", "gulim", "dotum",
    "gothic", "kaiti", "simkai", "\xE9\xBB\x91\xE4\xBD\x93" /* hei ti */,
    "\xEF\xBC\xAD\xEF\xBC\xB3\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF" /* full-width MS Gothic */};

// Lower case without blanks, '-' and '_', so "Times New Roman" and "TimesNewRoman" meet.
std::string normalized(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (c == ' ' || c == '-' || c == '_') continue;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

const char* languageOf(int charset) {
    switch (charset) {
        case 128: return "ja";
        case 129: return "ko";
        case 134: return "zh-cn";
        case 136: return "zh-tw";
        default: return nullptr;
    }
}

bool isGeneric(std::string_view family) {
    return family == "serif" || family == "sans-serif" || family == "monospace";
}

// Fontconfig's best match for the family; with `exact`, only a font of that very family.
bool match(const char* family, bool exact, bool bold, bool italic, int charset, FontFile& out) {
    static const bool ready = FcInit();
    if (!ready) return false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (const char* lang = languageOf(charset)) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found) return false;

    bool ok = false;
    FcChar8* file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) {
        const std::string wanted = normalized(family);
        FcChar8* name = nullptr;
        for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
            if (!exact || normalized(reinterpret_cast<const char*>(name)) == wanted) {
                ok = true;
                FcPatternGetString(found, FC_FAMILY, 0, &name);
                out.family = reinterpret_cast<const char*>(name);
                break;
            }
        }
    }
    if (ok) {
        out.path = reinterpret_cast<const char*>(file);
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(found, FC_INDEX, 0, &index);
        FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(found, FC_SLANT, 0, &slant);
        out.index = index;
        out.isBold = weight >= FC_WEIGHT_DEMIBOLD;
        out.isItalic = slant != FC_SLANT_ROMAN;
    }
    FcPatternDestroy(found);
    return ok;
}

template <typename Families>
bool firstInstalled(const Families& families, bool bold, bool italic, int charset, FontFile& out) {
    for (const char* family : families)
        if (match(family, !isGeneric(family), bold, italic, charset, out)) return true;
    return false;
}

}  // namespace

bool findFontFile(const std::string& face, bool bold, bool italic, int charset, FontFile& out) {
    const std::string key = normalized(face);
    if (key.empty()) return match("sans-serif", false, bold, italic, charset, out);
    for (const Alias& alias : kAliases)
        for (std::string_view f : alias.faces)
            if (f == key) return firstInstalled(alias.families, bold, italic, charset, out);
    for (std::string_view f : kSerifCjkFaces)
        if (f == key) return firstInstalled(kSerifCjk, bold, italic, charset, out);
    for (std::string_view f : kSansCjkFaces)
        if (f == key) return firstInstalled(kSansCjk, bold, italic, charset, out);
    return match(face.c_str(), true, bold, italic, charset, out);
}

}  // namespace qm

#include "convert/generic_family.h"

#include <array>
#include <string>

namespace qm {

namespace {

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool startsWithAny(std::string_view s, std::initializer_list<std::string_view> prefixes) {
    for (std::string_view p : prefixes)
        if (s.substr(0, p.size()) == p) return true;
    return false;
}

bool containsAny(std::string_view s, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
        if (s.find(w) != std::string_view::npos) return true;
    return false;
}

}  // namespace

std::string_view genericFontFamily(std::string_view face) {
    const std::string name = lowerAscii(face);
    // TeX's faces say what they are in their first letters (typewriter, sans, roman).
    if (startsWithAny(name, {"cmtt", "cmitt", "cmsltt", "sftt", "sfit", "lmmono", "ectt", "tctt"})) return "monospace";
    if (startsWithAny(name, {"cmss", "sfss", "sfsx", "sfsi", "lmsans", "ecss"})) return "sans-serif";
    if (startsWithAny(name, {"cmr", "cmbx", "cmti", "cmsl", "cmmi", "cmb", "cmcsc", "sfrm", "sfbx", "sfti",
                             "sfbi", "sfsl", "sfcc", "lmroman", "ecrm", "ecbx", "ecti"}))
        return "serif";
    if (containsAny(name, {"courier", "mono", "consol", "typewriter", "menlo", "inconsolata", "fixedsys", "ocr-"}))
        return "monospace";
    // Before the serif words: "sans" also holds "serif" in "sans-serif" names.
    if (containsAny(name, {"sans", "arial", "helvetica", "verdana", "tahoma", "calibri", "gothic", "segoe", "futura",
                           "frutiger", "univers", "myriad", "franklin", "gill", "trebuchet", "roboto", "lato",
                           "ubuntu", "sfui", "nimbussan", "avenir", "optima", "grotesk", "grotesque", "candara", "corbel",
                           "lucida grande", "lucidagrande", "heiti", "simhei", "yahei", "dotum", "gulim", "meiryo"}))
        return "sans-serif";
    if (containsAny(name, {"times", "roman", "serif", "georgia", "garamond", "minion", "palatino", "palladio",
                           "cambria", "baskerville", "caslon", "bodoni", "century", "charter", "utopia", "bookman",
                           "schoolbook", "constantia", "book antiqua", "bookantiqua", "mincho", "song", "ming",
                           "batang", "kai", "fangsong", "simsun", "nimbusrom"}))
        return "serif";
    return {};
}

}  // namespace qm

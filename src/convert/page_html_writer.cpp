#include "convert/page_html_writer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>

#include "convert/css_number.h"
#include "convert/generic_family.h"
#include "convert/html_text.h"
#include "convert/path_parts.h"
#include "convert/placed_text_writer.h"
#include "convert/web_font_names.h"
#include "convert/settings.h"
#include "convert/site_pages.h"
#include "convert/text_item_text.h"
#include "core/report_error.h"
#include "platform/system/code_page.h"
#include "platform/system/file_ops.h"
#include "render/display_list.h"

namespace qm {

namespace {

// Scripts and fixed lines of the page file. The blanks before some line breaks are part of
// the texts; line breaks become CR LF when the file is written.
constexpr const char* kMetaCharset = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n";
constexpr const char* kErrorScript =
    "<script language=\"javascript\"> \n<!-- hide \nfunction killerrors() { \nreturn true; \n} \n"
    "window.onerror = killerrors; \n// --> \n</script>\n";
// A double click scrolls the page by one pixel every 10 ms until a mouse press or the end.
constexpr const char* kScrollScript =
    "\n<script language=\"JavaScript\">\nvar currentpos,timer; \nfunction initialize() \n{ \n"
    "timer=setInterval(\"scrollwindow()\",10);\n} \nfunction sc(){\nclearInterval(timer); \n}\n"
    "function scrollwindow() \n{ \ncurrentpos=document.body.scrollTop; \nwindow.scroll(0,++currentpos); \n"
    "if (currentpos != document.body.scrollTop) \nsc();\n} \ndocument.onmousedown=sc\n"
    "document.ondblclick=initialize\n</script>\n";
// Follows the zoom chosen in the navigation frame of the site.
// The reader's browser has other faces than the PDF, so a run would come out wider or
// narrower than on the page: past the next run, or short of the underline drawn in the
// picture. Each run is stretched to its PDF width (data-w) when the two differ by a face's
// worth (a quarter either way); a larger difference comes from a wide gap the run bridges
// with one space, such as an indent in a listing, and stretching the letters would not mend
// it. data-w reaches the run's last ink, so blanks a run keeps at its end are not measured
// (in the ratio of the ink to the whole, which zoom leaves alone). A continuous file repeats
// the script once per page: only the first copy acts, once the whole file is read, so the
// runs are measured once and not again for every page. All widths are read before any is
// changed so the page is laid out once.
constexpr std::string_view kFitRunsScript =
    "<script>\n"
    "(function () {\n"
    "  if (window.fitRunsQueued) return;\n"
    "  window.fitRunsQueued = true;\n"
    "  addEventListener('DOMContentLoaded', function () {\n"
    "    var s = document.querySelectorAll('span[data-w]'), got = [], i, r, k = document.createRange(), t, n, a;\n"
    "    for (i = 0; i < s.length; i++) {\n"
    "      got.push(s[i].offsetWidth);\n"
    "      t = s[i].lastChild;\n"
    "      if (!(got[i] > 0 && t && t.nodeType == 3)) continue;\n"
    "      n = t.data.replace(/\\s+$/, '').length;\n"
    "      if (n == t.data.length) continue;\n"
    "      k.selectNodeContents(s[i]);\n"
    "      a = k.getBoundingClientRect().width;\n"
    "      k.setEnd(t, n);\n"
    "      if (a > 0) got[i] *= k.getBoundingClientRect().width / a;\n"
    "    }\n"
    "    for (i = 0; i < s.length; i++) {\n"
    "      r = got[i] > 0 ? +s[i].getAttribute('data-w') / got[i] : 1;\n"
    "      if (!(r > 0.75 && r < 1.34) || Math.abs(r - 1) < 0.01) continue;\n"
    "      s[i].style.display = 'inline-block';\n"
    "      s[i].style.transformOrigin = '0 0';\n"
    "      s[i].style.transform = 'scaleX(' + r.toFixed(3) + ')';\n"
    "    }\n"
    "  });\n"
    "})();\n"
    "</script>\n";

constexpr const char* kZoomScript =
    "<script language=\"javascript\">\n\t\t\tvar currentZoom = parent.ltop.currentZoom;\n"
    "\t\t\tif(currentZoom != undefined)\n\t\t\t\tdocument.body.style.zoom=currentZoom/100;\n\t\t\t</script>\n";

constexpr std::string_view kGoToPrefix = "actionGoTo:";
constexpr std::string_view kUriPrefix = "actionURI:";

[[gnu::format(printf, 2, 3)]] void appendf(std::string& out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0) out.append(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

std::string removeAll(std::string_view text, std::string_view what) {
    std::string out;
    size_t at = 0;
    for (size_t hit; (hit = text.find(what, at)) != std::string_view::npos; at = hit + what.size())
        out.append(text.substr(at, hit - at));
    out.append(text.substr(at));
    return out;
}

// Upright text without an exact placement, which is written in whole pixels.
const TextItem* uprightText(const PageObject& page, const PagePlacements& placements, int32_t i) {
    const PageItem& item = page.items[i];
    if (item.kind != QM_ITEM_TEXT || item.record.text == nullptr) return nullptr;
    if (item.record.text->orientation != 0 || placements[static_cast<size_t>(i)] != nullptr) return nullptr;
    return item.record.text;
}

// The character written last, carried from one run to the next within the page.
struct Previous {
    int64_t x = 0, y = 0;
    int64_t advance = 0, height = 0;
    std::u16string_view text;
};

class TextRunWriter {
public:
    TextRunWriter(const PageObject& page, const PagePlacements& placements, const FontClassTable& classes,
                  int64_t top, bool insertSpaces, int runGapLimit)
        : page_(page), placements_(placements), classes_(classes), top_(top), insertSpaces_(insertSpaces),
          gapLimit_(runGapLimit) {}

    void write(std::string& out) {
        for (int32_t i = 0; i < page_.itemCount; ++i) {
            const TextItem* cur = uprightText(page_, placements_, i);
            if (cur == nullptr) continue;
            int c = classes_.find(*cur);
            if (c < 0) continue;
            const TextItem* first = cur;
            const TextItem* lastInk = nullptr;  // the last character that is not a blank
            std::string run;
            for (;;) {
                writeChar(run, *cur);
                if (!isBlank(*cur)) lastInk = cur;
                const TextItem* next = i + 1 < page_.itemCount ? uprightText(page_, placements_, i + 1) : nullptr;
                if (next == nullptr || !continuesRun(*cur, *next)) break;
                cur = next;
                ++i;
            }
            // The width the run has on the PDF page, which the page's fitting script holds it
            // to in the browser's face; up to its last ink, as browsers drop blanks at the end
            // of a line.
            const long long width = lastInk ? int64_t{lastInk->x} + lastInk->advance - first->x : 0;
            appendf(out, "<div style=\"position:absolute;top:%lld;left:%d\"><nobr><span class=\"ft%d\" data-w=\"%lld\">",
                    static_cast<long long>(int64_t{first->y} + top_ - first->height + 2), first->x, c,
                    width > 0 ? width : 0);
            out += run;
            out += "</span></nobr></div>\n";
        }
    }

private:
    void writeChar(std::string& out, const TextItem& cur) {
        std::u16string_view text = textOf(cur);
        // A glyph drawn twice at one place (simulated bold) is written once.
        if (cur.x == previous_.x && cur.y == previous_.y && text == previous_.text) return;
        const double gap = static_cast<double>(cur.x) - static_cast<double>(previous_.advance) -
                           static_cast<double>(previous_.x);
        const bool spaceDue = previous_.height != 0 && gap > 0.15 * static_cast<double>(previous_.height);
        previous_ = Previous{cur.x, cur.y, cur.advance, cur.height, text};
        if (insertSpaces_ && spaceDue) out += ' ';
        appendGlyphHtml(out, utf16ToOutput(text));
    }

    // A run carries the class of its first character, so it also ends where bold or italic
    // changes: otherwise a bold first word would make its whole line bold.
    bool continuesRun(const TextItem& cur, const TextItem& next) const {
        if (gapLimit_ == 0) return false;
        const int64_t dx = int64_t{next.x} - cur.x;
        if (dx < 1 || dx > gapLimit_) return false;
        if (next.height != cur.height || next.colour != cur.colour || faceOf(next) != faceOf(cur)) return false;
        if ((next.bold != 0) != (cur.bold != 0) || (next.italic != 0) != (cur.italic != 0)) return false;
        const int64_t rise = (int64_t{next.y} - next.height) - (int64_t{cur.y} - cur.height);
        return (rise < 0 ? -rise : rise) < cur.height;
    }

    const PageObject& page_;
    const PagePlacements& placements_;
    const FontClassTable& classes_;
    int64_t top_;
    bool insertSpaces_;
    int64_t gapLimit_;
    Previous previous_;
};

// The style block of a page: the classes from `firstClass` on, the block style when
// `blockStyle`, and the web font families not in `familiesWritten` (which gains them).
// A continuous file keeps what its pages wrote before, so each page adds only what is new
// and the file grows with its pages, not with their square.
void writeStyles(std::string& out, const FontClassTable& classes, size_t firstClass, bool blockStyle,
                 const PlacedTextWriter& placed, std::set<std::string>& familiesWritten) {
    out += "<style type=\"text/css\">\n<!--\n";
    if (blockStyle) out += PlacedTextWriter::blockStyle();
    // Family and file names are made of numbers: nothing to escape.
    for (const PlacedTextWriter::Face& f : placed.faces()) {
        const std::string family = webFontFamily(*f.set, f.face);
        if (!familiesWritten.insert(family).second) continue;
        out += "@font-face{font-family:" + family + ";src:url(\"" + webFontFile(*f.set, f.face) +
               "\") format(\"woff2\")}\n";
    }
    for (const PlacedTextWriter::Alias& a : placed.aliases())
        out += "@font-face{font-family:" + a.family + ";src:url(\"" + webFontFile(*a.face.set, a.face.face) +
               "\") format(\"woff2\");unicode-range:" + a.range + "}\n";
    for (size_t i = firstClass; i < classes.size(); ++i) {
        const FontClass& c = classes[i];
        appendf(out, ".ft%zu{font-style:%s;font-weight:%s;font-size:", i, c.italic ? "italic" : "normal",
                c.bold ? "bold" : "normal");
        if (c.sizeThousandths > 0) {
            appendCssNumber(out, c.sizeThousandths / 1000.0, 3);
            out += "px;font-family:";
        } else {
            appendf(out, "%dpx;font-family:", c.height);
        }
        if (!c.family.empty()) out += c.family + ',';
        out += cssFontFamily(c.face);
        const std::string_view generic = genericFontFamily(c.face);
        if (!generic.empty()) {
            out += ',';
            out += generic;
        }
        if (c.invisible)
            out += ";color:transparent";
        else
            appendf(out, ";color:#%02x%02x%02x", c.colour & 0xFF, (c.colour >> 8) & 0xFF, (c.colour >> 16) & 0xFF);
        if (const uint8_t opacity = colourOpacity(c.colour); opacity != 255 && !c.invisible)
            out += ";opacity:" + opacityText(opacity);
        if (c.sizeThousandths > 0) out += ";line-height:0";
        out += ";}\n";
    }
    out += "-->\n</style>\n";
}

void writePicture(std::string& out, const PageObject& page, const HtmlLinkList* links, bool continuous, int64_t top,
                  std::string_view htmlPath, const std::string& imageName) {
    const long long topPx = static_cast<long long>(top);
    if (links != nullptr && links->count > 0 && links->links != nullptr && !continuous) {
        appendf(out, "<div style=\"position:absolute;top:%lld;left:0\"><map name=\"FPMap0\">\n", topPx);
        const std::string_view extension = extensionOf(htmlPath);
        for (int32_t i = 0; i < links->count; ++i) {
            const HtmlLink& link = links->links[i];
            std::string href = linkHref(link.target ? link.target : "", extension);
            if (href.empty()) continue;
            out += "<area href=\"" + href + "\" shape=\"rect\" coords=\"";
            appendf(out, "%d,%lld,%d,%lld\">\n", link.left, static_cast<long long>(link.top + top), link.right,
                    static_cast<long long>(link.bottom + top));
        }
        out += "</map>\n";
        appendf(out, "<img width=\"%d\" height=\"%d\" src=\"", page.width, page.height);
        out += imageName + "\" usemap=\"#FPMap0\"></div>\n";
    } else {
        appendf(out, "<div style=\"position:absolute;top:%lld;left:0\"><img width=\"%d\" height=\"%d\" src=\"", topPx,
                page.width, page.height);
        out += imageName + "\"></div>\n";
    }
}

// Page files end their lines in CR LF: every "\n" of the text is stored as "\r\n".
std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

void stripNonTextItems(PageObject& page) {
    filterPageItems(page, [](const PageItem& item) { return item.kind == QM_ITEM_TEXT; });
}

std::string linkHref(std::string_view target, std::string_view pageExtension) {
    if (target.starts_with(kGoToPrefix)) {
        std::string rest = removeAll(target, kGoToPrefix);
        long long page = 0;
        for (size_t i = 0; i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && page < 100000000; ++i)
            page = page * 10 + (rest[i] - '0');
        char name[32];
        std::snprintf(name, sizeof name, "pg_%04lld", page);
        return escapeHtml(name + std::string(pageExtension));
    }
    std::string href = target.starts_with(kUriPrefix) ? removeAll(target, kUriPrefix) : std::string(target);
    if (isScriptTarget(href)) return "";
    return escapeHtml(href);
}

bool writePageHtml(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath,
                   const std::string& imagePath, HtmlWriterState& state, const PagePlacements* given) {
    const bool continuous = state.continuousMode();
    FontClassTable& classes = state.fontClasses();
    if (!continuous) classes.clear();
    const int32_t items = page.itemCount;
    stripNonTextItems(page);
    const bool useGiven = given != nullptr && page.itemCount == items && given->size() == static_cast<size_t>(items);
    PagePlacements found;
    if (!useGiven) found = placementsOf(page);
    const PagePlacements& placements = useGiven ? *given : found;
    for (int32_t i = 0; i < page.itemCount; ++i)
        if (const TextItem* t = uprightText(page, placements, i)) classes.add(*t);
    PlacedTextWriter::Options placedOptions;
    placedOptions.top = state.pageTopOffset();
    placedOptions.insertSpaces = Settings::readFlag(Setting::insertSpaces);
    placedOptions.runGapLimit = Settings::readInt(Setting::runGapLimit);
    // A continuous page without pictures is moved out of its folder at the end, away from
    // the fonts: it keeps the browser's faces.
    placedOptions.webFonts =
        Settings::readFlag(Setting::webFonts) && !(continuous && Settings::readFlag(Setting::removePictures));
    // The page's own families would be met again by the next pages of a continuous file.
    placedOptions.mixFaces = !continuous;
    const PlacedTextWriter placed(page, placements, classes, placedOptions);

    const std::string outPath = continuous ? std::string(folderOf(htmlPath)) + "index.htm" : htmlPath;

    const int64_t top = state.pageTopOffset();
    std::string out;
    out.reserve(4096 + static_cast<size_t>(page.itemCount) * 16);
    out += "<html>\n<head>\n";
    out += kMetaCharset;
    out += "<title>" + escapeHtml(baseNameOf(htmlPath)) + "</title>\n\n";
    out += kErrorScript;
    // A page file of its own has every style it uses; a continuous one what is new.
    std::set<std::string> familiesOfThisPage;
    std::set<std::string> families = continuous ? state.familiesWritten() : familiesOfThisPage;
    const bool blockStyle = !placed.empty() && !(continuous && state.blockStyleWritten());
    writeStyles(out, classes, continuous ? state.classesWritten() : 0, blockStyle, placed, families);
    const uint32_t background = static_cast<uint32_t>(Settings::readInt(Setting::backgroundColour)) & 0xFFFFFF;
    appendf(out, "</head>\n<body vlink=\"#FFFFFF\" link=\"#FFFFFF\" bgcolor=\"#%02x%02x%02x\">\n", background & 0xFF,
            (background >> 8) & 0xFF, (background >> 16) & 0xFF);
    out += kScrollScript;
    if (!continuous || !Settings::readFlag(Setting::removePictures))
        writePicture(out, page, links, continuous, top, htmlPath, fileNameAttribute(fileNameOf(imagePath)));
    TextRunWriter(page, placements, classes, top, Settings::readFlag(Setting::insertSpaces),
                  Settings::readInt(Setting::runGapLimit))
        .write(out);
    placed.write(out);
    out += fitRunsScript();
    if (!continuous) {
        out += kZoomScript;
        // Opened from disk every frame is its own origin: the page tells the navigation bar
        // where it is and takes the zoom through messages.
        out += pageSiteScript();
    }
    out += "</body>\n</html>";

    for (const PlacedTextWriter::Face& f : placed.faces())
        state.webFonts().use(f.set, std::string(folderOf(outPath)));
    if (continuous) {
        state.noteStylesWritten(classes.size(), blockStyle);
        state.familiesWritten() = std::move(families);
    }
    const std::string bytes = withCrLf(out);
    // A page file is whole or absent; a continuous page is appended to what came before.
    std::string message;
    const bool written = continuous ? appendToFile(outPath, bytes, &message) : writeWholeFile(outPath, bytes, &message);
    if (!written) {
        reportError(-1, "%s", message.c_str());
        state.setLastError(std::move(message));
    }
    return written;
}

std::string_view fitRunsScript() { return kFitRunsScript; }

}  // namespace qm

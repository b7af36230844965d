// The document-dependent texts of a converted site, appended to or written beside the
// support files that the output folder already holds.
#include "convert/site_pages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "convert/html_text.h"
#include "core/text_string.h"

namespace qm {

namespace {

// Listing lines longer than this are cut; the rest of such a line is dropped so it cannot
// turn into bogus entries of its own.
constexpr size_t kListingLineBytes = 4096;
// Outline listings are small; a bigger file is damage and is read no further.
constexpr size_t kMaxListingEntries = 1000000;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

// Writes `text` in text mode to `path`, truncating it or appending to it.
bool storeText(const std::string& path, std::string_view text, bool append) {
    File f(std::fopen(path.c_str(), append ? "ab" : "wb"));
    if (!f) return false;
    std::string bytes = withCrLf(text);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
    return std::fclose(f.release()) == 0 && ok;
}

void replaceAll(std::string& s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    size_t pos = 0;
    for (size_t hit; (hit = s.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(s, pos, hit - pos);
        out.append(to);
    }
    out.append(s, pos, std::string::npos);
    s.swap(out);
}

// The decimal value of the leading digits (after blanks and a sign); no digits give 0 and
// values beyond int are clamped.
int decimalValue(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (v < 10000000000LL) v = v * 10 + (text[i] - '0');
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return 2147483647;
    if (v < -2147483647LL) return -2147483647;
    return static_cast<int>(v);
}

// A title goes into a double-quoted script string of the tree and is shown as HTML. It is
// escaped as HTML text, and a backslash becomes a reference too, which would otherwise escape
// the closing quote and break the whole tree; control characters (a line end would end the
// string) are left out.
std::string treeTitle(std::string_view raw) {
    // Listings are UTF-8; a line in another encoding is read as the PDF would mean it.
    std::string title;
    for (char c : textStringToUtf8(raw)) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) title += c;
    }
    title = escapeHtml(title);
    replaceAll(title, "\\", "&#92;");
    return title;
}

// Titles in the listing carry their '<' and '%' as %3C and %25 (see the outline file).
std::string unescapeListingTitle(std::string_view title) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(title.size());
    for (size_t i = 0; i < title.size(); ++i) {
        if (title[i] == '%' && i + 2 < title.size() && hex(title[i + 1]) >= 0 && hex(title[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(title[i + 1]) * 16 + hex(title[i + 2])));
            i += 2;
        } else {
            out.push_back(title[i]);
        }
    }
    return out;
}

BookmarkEntry parseListingLine(std::string_view line) {
    BookmarkEntry e;
    size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == '\t') ++tabs;
    e.level = static_cast<int>(tabs);
    size_t mark = line.find("<>,");
    std::string_view title = line.substr(0, mark);
    title.remove_prefix(std::min(tabs, title.size()));
    e.title = treeTitle(unescapeListingTitle(title));
    std::string_view pageText;
    if (mark != std::string_view::npos) {
        pageText = line.substr(mark + 3);
        pageText = pageText.substr(0, pageText.find(','));
    }
    e.page = pageText.empty() ? 1 : decimalValue(pageText);
    return e;
}

std::string pagePath(const std::string& folder, const char* name) { return folder + "/" + name; }

}  // namespace

bool writeFramesetPage(const std::string& folder, const std::string& title, int first, int last,
                       const SiteOptions& options) {
    if (first < 1 || last < first) return false;
    const std::string& shown = options.customTitle            ? options.customTitleText
                               : options.documentTitle.empty() ? title
                                                               : options.documentTitle;
    std::string siteTitle = escapeHtml(shown);
    std::string keywords;
    if (!options.keywords.empty()) {
        keywords = "\n<meta name=\"keywords\" content=\"" + escapeHtml(options.keywords) + "\">\n";
    }
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "var firstpage = %d;\nvar lastpage = %d;\n", 1, last - first + 1);
    char firstPage[32];
    std::snprintf(firstPage, sizeof firstPage, "pg_%04d.htm", 1);
    std::string text = "<html><head><title>" + siteTitle + "</title>" + keywords +
                       "<script language=\"javascript\">\n" + numbers +
                       "</script>\n<script src=\"pg_hub.js\"></script>\n<script src=\"pg_history.js\"></script></head>\n"
                       "<frameset rows=\"30,*\" framespacing=\"1\" border=\"0\" frameborder=\"0\">\n"
                       "    <frame name=\"ltop\" scrolling=\"no\" target=\"lbottom\" src=\"pg_nav.htm\">\n"
                       "    <frameset name = \"leftpane\" cols=\"150,*\">\n"
                       "\t<frame name=\"lbottom\" target=\"contents\" src=\"pg_index.htm\">\n"
                       "\t<frame name=\"contents\" src=\"" +
                       firstPage +
                       "\">\n"
                       "    </frameset>\n"
                       "  <noframes>\n"
                       "  <body>\n"
                       "  \t<p>This page uses frames, but your browser doesn't support them.</p>\n"
                       "  </body>\n"
                       "  </noframes>\n"
                       "</frameset></html>\n";
    return storeText(pagePath(folder, "index.htm"), text, false);
}

bool appendHomeLink(const std::string& folder, const SiteOptions& options) {
    if (!options.homeLink || options.homeAddress.empty()) return true;
    std::string text = "<html><body><table><tr><td><img src=\"pg_page.gif\"><a href=\"" +
                       escapeHtml(options.homeAddress) + "\"target=\"_top\">Home</a></td></tr></table></body></html>";
    return storeText(pagePath(folder, "pg_index.htm"), text, true);
}

bool appendNavigationRange(const std::string& folder, int first, int last) {
    if (first < 1 || last < first) return false;
    char text[128];
    std::snprintf(text, sizeof text, "<script>\nvar firstpage = %d;\nvar lastpage = %d;\n</script>\n", 1,
                  last - first + 1);
    return storeText(pagePath(folder, "pg_nav.htm"), text, true) &&
           storeText(pagePath(folder, "pg_index.htm"), text, true);
}

std::vector<BookmarkEntry> readBookmarks(const std::string& listingPath) {
    std::vector<BookmarkEntry> entries;
    if (listingPath.empty()) return entries;
    File f(std::fopen(listingPath.c_str(), "rb"));
    if (!f) return entries;
    std::string line;
    bool cut = false;  // inside the dropped rest of an overlong line
    auto finishLine = [&]() {
        std::string kept;
        kept.reserve(line.size());
        for (char c : line) {
            if (c != '\r' && c != '\n') kept.push_back(c);
        }
        if (!kept.empty() && entries.size() < kMaxListingEntries) entries.push_back(parseListingLine(kept));
        line.clear();
    };
    char buffer[16384];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
        for (size_t i = 0; i < n; ++i) {
            char c = buffer[i];
            if (c == '\n') {
                if (!cut) finishLine();
                cut = false;
                line.clear();
            } else if (!cut) {
                line.push_back(c);
                if (line.size() == kListingLineBytes) {
                    finishLine();
                    cut = true;
                }
            }
        }
    }
    if (!cut) finishLine();
    f.reset();
    // The listing lives in the user's cache folder and is of no use once read.
    std::remove(listingPath.c_str());
    return entries;
}

std::string bookmarkTreeText(const std::string& title, int first, int last,
                             const std::vector<BookmarkEntry>& entries) {
    std::string text = "root0 = gFld(\"" + treeTitle(title) + "\", \"\")\n";
    if (entries.empty()) text += "root0 = gFld(\"Your pdf file doesn't contain bookmarks\", \"\")\n";
    long long pages = static_cast<long long>(last) - first + 1;
    // A level may grow by one from one entry to the next only; a deeper jump would name a
    // folder variable that was never made and stop the whole tree script. Entries are
    // placed under the nearest earlier entry of a smaller level, which keeps every level of
    // a well-formed listing as it is.
    std::vector<int> levels(entries.size());
    std::vector<int> ancestors;
    for (size_t k = 0; k < entries.size(); ++k) {
        while (!ancestors.empty() && ancestors.back() >= entries[k].level) ancestors.pop_back();
        levels[k] = static_cast<int>(ancestors.size());
        ancestors.push_back(entries[k].level);
    }
    char line[64];
    for (size_t k = 0; k < entries.size(); ++k) {
        const BookmarkEntry& e = entries[k];
        long long n = static_cast<long long>(e.page) - first + 1;
        // Pages outside the converted range have no page file to open.
        if (n <= 0 || n > pages) n = 0;
        int level = levels[k];
        if (k + 1 < entries.size() && levels[k + 1] > level) {
            std::snprintf(line, sizeof line, "root%d = insFld(root%d, gFld(\"", level + 1, level);
            text += line;
            text += e.title;
            std::snprintf(line, sizeof line, "\", \"%lld\"))\n", n);
        } else {
            std::snprintf(line, sizeof line, "insDoc(root%d, gLnk(2,\"", level);
            text += line;
            text += e.title;
            std::snprintf(line, sizeof line, "\", \"%lld\"))\n", n);
        }
        text += line;
    }
    text += "</script><script>initializeDocument()</script></head>\n"
            "<body bgcolor=white  style=\"border-right: 2 solid #CCCCCC\">\n</body>\n</html>";
    return text;
}

bool appendBookmarkPage(const std::string& folder, const std::string& title, int first, int last,
                        const std::string& listingPath) {
    std::string text = bookmarkTreeText(title, first, last, readBookmarks(listingPath));
    return storeText(pagePath(folder, "pg_bmark.htm"), text, true);
}

bool writeSitePages(const std::string& folder, const std::string& title, int first, int last,
                    const SiteOptions& options, const std::string& listingPath) {
    bool ok = writeFramesetPage(folder, title, first, last, options);
    ok = appendHomeLink(folder, options) && ok;
    ok = appendNavigationRange(folder, first, last) && ok;
    ok = appendBookmarkPage(folder, title, first, last, listingPath) && ok;
    return ok;
}

std::string_view pageSiteScript() {
    // One element that loads the files in turn: each needs the ones before it.
    return "<script>\n"
           "(function () {\n"
           "  var files = ['pg_hub.js', 'pg_keys.js', 'pg_match.js', 'pg_page.js'];\n"
           "  (function next() {\n"
           "    var name = files.shift();\n"
           "    if (!name) return;\n"
           "    var s = document.createElement('script');\n"
           "    s.src = name;\n"
           "    s.onload = next;\n"
           "    document.body.appendChild(s);\n"
           "  })();\n"
           "})();\n"
           "</script>\n";
}

}  // namespace qm

// The outline file: the document outline flattened into text lines that the bookmark page
// and the exported bookmark call read instead of walking PDF objects.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "core/text_string.h"
#include "core/xref_table.h"
#include "document/link_dest.h"
#include "document/outline_file.h"
#include "document/pdf_catalog.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"

namespace qm {

namespace {

// Outlines nest a handful of levels; anything deeper is damage or a loop through First.
constexpr int kMaxOutlineDepth = 100;

int toInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(std::lround(v));
}

// A title is one field of its line: line breaks and TABs (and the other control characters)
// would split the line or shift its depth, so they become spaces; the '<' that would start
// the field separator and the '%' of the escape itself are written as %3C and %25.
void putTitle(std::string* out, std::string_view utf8) {
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20) {
            out->push_back(' ');
        } else if (c == '%') {
            out->append("%25");
        } else if (c == '<') {
            out->append("%3C");
        } else {
            out->push_back(ch);
        }
    }
}

class OutlineWriter {
public:
    OutlineWriter(const PdfCatalog& catalog, std::FILE* out) : catalog_(catalog), out_(out) {}

    void writeItems(const PdfObject& node, int depth) {
        PdfObject first = node.dictLookup("First");
        PdfObject last = node.dictLookup("Last");
        if (!first.isDict() || !last.isDict()) return;
        if (depth >= kMaxOutlineDepth) {
            reportError(-1, "Outline nested too deeply; deeper items skipped");
            return;
        }
        PdfObject raw = node.dictLookupRaw("First");
        PdfObject item = std::move(first);
        while (item.isDict()) {
            if (raw.isRef() && !visited_.insert({raw.getRefNum(), raw.getRefGen()}).second) {
                reportError(-1, "Outline item %d %d is reached twice; the outline stops there", raw.getRefNum(),
                            raw.getRefGen());
                return;
            }
            writeItem(item, depth);
            const PdfDict* d = item.getDict();
            if (d->find("First") && d->find("Last")) writeItems(item, depth + 1);
            raw = item.dictLookupRaw("Next");
            item = item.dictLookup("Next");
        }
    }

    int itemsWritten() const { return itemsWritten_; }

private:
    void writeItem(const PdfObject& item, int depth) {
        std::string line(static_cast<size_t>(depth), '\t');
        PdfObject title = item.dictLookup("Title");
        if (title.isString()) appendTitle(*title.getString(), &line);
        std::unique_ptr<LinkDest> dest = destinationOf(item);
        if (dest) {
            int page = dest->pageIsRef() ? catalog_.findPage(dest->pageRef().num, dest->pageRef().gen)
                                         : dest->pageNumber();
            char numbers[160];
            std::snprintf(numbers, sizeof numbers, "<>,%d,%d,%d,%d,%d,%d,%d,%d,%d", page, toInt(dest->left()),
                          toInt(dest->top()), toInt(dest->right()), toInt(dest->bottom()), toInt(dest->zoom()),
                          dest->changeLeft() ? 1 : 0, dest->changeTop() ? 1 : 0, dest->changeZoom() ? 1 : 0);
            line += numbers;
        }
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), out_);
        ++itemsWritten_;
    }

    static void appendTitle(const PdfString& title, std::string* line) {
        const std::string text =
            textStringToUtf8(std::string_view(reinterpret_cast<const char*>(title.bytes()), title.length()));
        if (text.empty()) {
            line->push_back(' ');
        } else {
            putTitle(line, text);
        }
    }

    // Dest (a name, a string, an array or a dictionary with D), else the D of the action A.
    std::unique_ptr<LinkDest> destinationOf(const PdfObject& item) const {
        PdfObject dest = item.dictLookup("Dest");
        if (dest.isNull()) {
            PdfObject action = item.dictLookup("A");
            if (!action.isDict()) return nullptr;
            PdfObject d = action.dictLookup("D");
            if (d.isArray() || d.isString() || d.isName()) return fromValue(d);
            return nullptr;
        }
        if (dest.isDict()) {
            PdfObject d = dest.dictLookup("D");
            if (!d.isArray()) {
                reportError(-1, "Bad named destination value");
                return nullptr;
            }
            return fromValue(d);
        }
        return fromValue(dest);
    }

    std::unique_ptr<LinkDest> fromValue(const PdfObject& value) const {
        if (value.isString()) return catalog_.findDest(*value.getString());
        if (value.isName()) return catalog_.findDest(PdfString(value.getName()));
        if (!value.isArray()) return nullptr;
        auto dest = std::make_unique<LinkDest>(value, true);
        if (!dest->isOk()) return nullptr;
        return dest;
    }

    const PdfCatalog& catalog_;
    std::FILE* out_;
    std::set<std::pair<int, int>> visited_;
    int itemsWritten_ = 0;
};

void copyPath(const std::string& path, char* buffer, int bufferLength) {
    if (!buffer || bufferLength <= 0) return;
    size_t n = std::min(path.size(), static_cast<size_t>(bufferLength - 1));
    std::memcpy(buffer, path.data(), n);
    buffer[n] = '\0';
}

}  // namespace

std::string outlineFilePath() {
    // The process id in the name keeps two conversions running at once from sharing a file.
    return userCacheDirectory() + "/outlines-" + std::to_string(::getpid()) + ".txt";
}

bool PdfCatalog::writeOutlines(char* buffer, int bufferLength) const {
    if (!ok_) return false;
    PdfObject catalog = xref_->fetch(xref_->rootNumber(), xref_->rootGeneration());
    if (!catalog.isDict()) return false;

    std::string path = outlineFilePath();
    std::remove(path.c_str());
    PdfObject outlines = catalog.dictLookup("Outlines");
    // The root's Count only tells how many items are open, and many writers leave it out or
    // write 0 for a closed outline: the items themselves decide whether there are bookmarks.
    bool hasItems = outlines.isDict() && outlines.dictLookup("First").isDict();
    if (hasItems) {
        makeDirectoryPath(userCacheDirectory());
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out) {
            reportError(-1, "Couldn't create outline file '%s'", path.c_str());
            return false;
        }
        OutlineWriter writer(*this, out);
        writer.writeItems(outlines, 0);
        hasItems = writer.itemsWritten() > 0;
        if (std::fclose(out) != 0) {
            reportError(-1, "Couldn't write outline file '%s'", path.c_str());
            std::remove(path.c_str());
            return false;
        }
        if (!hasItems) std::remove(path.c_str());
    }
    copyPath(path, buffer, bufferLength);
    return hasItems;
}

}  // namespace qm

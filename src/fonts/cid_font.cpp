#include "fonts/cid_font.h"

#include <algorithm>
#include <string>

#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/cpdf_map.h"
#include "fonts/global_settings.h"
#include "streams/stream.h"

namespace qm {

namespace {

// CIDs are 16-bit values: a glyph-id table longer than that has nothing to index.
constexpr size_t kMaxCidToGid = 65536;

template <class Range>
const Range* findRange(const std::vector<Range>& ranges, uint32_t cid) {
    auto it = std::upper_bound(ranges.begin(), ranges.end(), cid,
                               [](uint32_t c, const Range& r) { return c < r.first; });
    if (it == ranges.begin()) return nullptr;
    --it;
    return cid <= it->last ? &*it : nullptr;
}

template <class Range>
void sortRanges(std::vector<Range>& ranges) {
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.first < b.first; });
}

}  // namespace

CidFont::CidFont(ObjectResolver* xref, const char* tag, PdfRef id, const PdfObject& baseFont, PdfDict* fontDict)
    : PdfFont(tag, id, baseFont) {
    ok_ = build(xref, fontDict);
}

CidFont::~CidFont() {
    if (cmap_) cmap_->release();
}

bool CidFont::build(ObjectResolver* xref, PdfDict* fontDict) {
    PdfObject descendants = fontDict ? fontDict->lookup("DescendantFonts") : PdfObject();
    if (!descendants.isArray()) {
        reportError(-1, "Missing DescendantFonts entry in Type 0 font");
        return false;
    }
    PdfObject descendantObj = descendants.arrayGet(0);
    if (!descendantObj.isDict()) {
        reportError(-1, "Bad descendant font in Type 0 font");
        return false;
    }
    PdfDict* descendant = descendantObj.getDict();
    PdfObject subtype = descendant->lookup("Subtype");
    if (subtype.isNull() || subtype.isNone()) {
        reportError(-1, "Missing Subtype entry in Type 0 descendant font");
        return false;
    }
    if (subtype.isName("CIDFontType0")) {
        kind_ = FontKind::CidType0;
    } else if (subtype.isName("CIDFontType2")) {
        kind_ = FontKind::CidType2;
    } else {
        reportError(-1, "Unknown Type 0 descendant font type '%s'", subtype.isName() ? subtype.getName() : "???");
        return false;
    }

    readFontDescriptor(xref, descendant);
    findExternalFontFile();
    PdfObject charSet = descendant->lookup("WinCharSet");
    if (charSet.isInt()) winCharSet_ = charSet.getInt();

    PdfObject info = descendant->lookup("CIDSystemInfo");
    if (!info.isDict()) {
        reportError(-1, "Missing CIDSystemInfo dictionary in Type 0 descendant font");
        return false;
    }
    PdfObject registry = info.dictLookup("Registry"), ordering = info.dictLookup("Ordering");
    if (!registry.isString() || !ordering.isString()) {
        reportError(-1, "Invalid CIDSystemInfo dictionary in Type 0 descendant font");
        return false;
    }
    std::string collection(registry.getString()->view());
    collection += '-';
    collection += ordering.getString()->view();

    PdfObject toUnicode = fontDict->lookup("ToUnicode");
    if (toUnicode.isStream()) {
        hasToUnicodeStream_ = true;
        toUnicode_ = CodeToUnicodeMap::parseToUnicode(readStreamText(toUnicode, 16u << 20), 16);
    } else if (collection != "Adobe-Identity" && collection != "Adobe-UCS") {
        toUnicode_ = globalSettings ? globalSettings->getCidToUnicode(collection.c_str()) : nullptr;
        if (!toUnicode_) {
            reportError(-1, "Unknown character collection '%s'", collection.c_str());
            return false;
        }
    }

    PdfObject encoding = fontDict->lookup("Encoding");
    if (!encoding.isName()) {
        reportError(-1, "Missing or invalid Encoding entry in Type 0 font");
        return false;
    }
    cmap_ = globalSettings ? globalSettings->getCPDFMap(collection.c_str(), encoding.getName()) : nullptr;
    if (!cmap_) {
        reportError(-1, "Unknown CPDFMap '%s' for character collection '%s'", encoding.getName(), collection.c_str());
        return false;
    }

    if (kind_ == FontKind::CidType2) readCidToGidMap(descendant);

    PdfObject dw = descendant->lookup("DW");
    if (dw.isInt()) defaultWidth_ = dw.getInt() * 0.001;
    readWidths(descendant->lookup("W"));

    PdfObject dw2 = descendant->lookup("DW2");
    if (dw2.isArray() && dw2.arrayLength() == 2) {
        PdfObject vy = dw2.arrayGet(0), height = dw2.arrayGet(1);
        if (vy.isNum()) defaultVY_ = vy.getNum() * 0.001;
        if (height.isNum()) defaultHeight_ = height.getNum() * 0.001;
    }
    readVerticalWidths(descendant->lookup("W2"));
    return true;
}

void CidFont::readCidToGidMap(PdfDict* descendant) {
    PdfObject map = descendant->lookup("CIDToGIDMap");
    if (map.isStream()) {
        Stream* s = map.getStream();
        s->reset();
        cidToGid_.reserve(64);
        for (int hi; cidToGid_.size() < kMaxCidToGid && (hi = s->readByte()) >= 0;) {
            int lo = s->readByte();
            if (lo < 0) break;  // a lone last byte
            if (cidToGid_.size() == cidToGid_.capacity()) cidToGid_.reserve(cidToGid_.size() * 2);
            cidToGid_.push_back(static_cast<uint16_t>(hi << 8 | lo));
        }
        s->close();
    } else if (!map.isName("Identity") && !map.isNull() && !map.isNone()) {
        reportError(-1, "Invalid CIDToGIDMap entry in CID font");
    }
}

void CidFont::readWidths(const PdfObject& w) {
    if (!w.isArray()) return;
    const int n = w.arrayLength();
    auto bad = [] { reportError(-1, "Bad widths array in Type 0 font"); };
    for (int i = 0; i + 1 < n;) {
        PdfObject first = w.arrayGet(i);
        PdfObject next = w.arrayGet(i + 1);
        if (!first.isInt()) {
            bad();
            ++i;
        } else if (next.isInt()) {
            if (i + 2 < n) {
                PdfObject width = w.arrayGet(i + 2);
                if (width.isNum())
                    widthRanges_.push_back({static_cast<uint32_t>(first.getInt()), static_cast<uint32_t>(next.getInt()),
                                            width.getNum() * 0.001});
                else
                    bad();
                i += 3;
            } else {
                bad();
                ++i;
            }
        } else if (next.isArray()) {
            uint32_t cid = static_cast<uint32_t>(first.getInt());
            const int m = next.arrayLength();
            for (int j = 0; j < m; ++j) {
                PdfObject width = next.arrayGet(j);
                if (!width.isNum()) continue;
                widthRanges_.push_back({cid, cid, width.getNum() * 0.001});
                ++cid;
            }
            i += 2;
        } else {
            bad();
            ++i;
        }
    }
    sortRanges(widthRanges_);
}

void CidFont::readVerticalWidths(const PdfObject& w2) {
    if (!w2.isArray()) return;
    const int n = w2.arrayLength();
    auto bad = [] { reportError(-1, "Bad widths (W2) array in Type 0 font"); };
    for (int i = 0; i + 1 < n;) {
        PdfObject first = w2.arrayGet(i);
        PdfObject next = w2.arrayGet(i + 1);
        if (!first.isInt()) {
            bad();
            ++i;
        } else if (next.isInt()) {
            PdfObject h, vx, vy;
            if (i + 4 < n && (h = w2.arrayGet(i + 2)).isNum() && (vx = w2.arrayGet(i + 3)).isNum() &&
                (vy = w2.arrayGet(i + 4)).isNum()) {
                verticalRanges_.push_back({static_cast<uint32_t>(first.getInt()), static_cast<uint32_t>(next.getInt()),
                                           h.getNum() * 0.001, vx.getNum() * 0.001, vy.getNum() * 0.001});
                i += 5;
            } else {
                bad();
                ++i;
            }
        } else if (next.isArray()) {
            uint32_t cid = static_cast<uint32_t>(first.getInt());
            const int m = next.arrayLength();
            for (int j = 0; j + 2 < m; j += 3, ++cid) {
                PdfObject h = next.arrayGet(j), vx = next.arrayGet(j + 1), vy = next.arrayGet(j + 2);
                if (h.isNum() && vx.isNum() && vy.isNum())
                    verticalRanges_.push_back(
                        {cid, cid, h.getNum() * 0.001, vx.getNum() * 0.001, vy.getNum() * 0.001});
            }
            i += 2;
        } else {
            bad();
            ++i;
        }
    }
    sortRanges(verticalRanges_);
}

PdfString CidFont::getCollection() const { return cmap_ ? cmap_->collection() : PdfString(); }

int CidFont::decodeNextChar(const uint8_t* bytes, int len, uint32_t* code, uint16_t* u, int uSize, int* uLen,
                            double* dx, double* dy, double* ox, double* oy) {
    *dx = *dy = *ox = *oy = 0;
    *uLen = 0;
    *code = 0;
    if (!cmap_ || len <= 0) return len > 0 ? 1 : 0;
    int used = 1;
    const uint32_t cid = cmap_->lookup(bytes, len, &used);
    *code = cid;
    if (toUnicode_) *uLen = toUnicode_->lookup(cid, u, uSize);
    wMode_ = cmap_->wMode();
    if (wMode_ == 0) {
        const CidWidthRange* r = findRange(widthRanges_, cid);
        *dx = r ? r->width : defaultWidth_;
    } else {
        *dy = defaultHeight_;
        *ox = defaultWidth_ / 2;
        *oy = defaultVY_;
        if (const CidVerticalRange* r = findRange(verticalRanges_, cid)) {
            *dy = r->height;
            *ox = r->vx;
            *oy = r->vy;
        }
    }
    return used;
}

}  // namespace qm

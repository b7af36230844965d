// Cross-reference streams and the objects stored inside object streams.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "core/lexical.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"

namespace qm {

namespace {

constexpr int kMaxFieldWidth = 8;
// Decoded object streams larger than this come only from hostile files.
constexpr long kMaxObjectStreamBytes = 64L << 20;

uint64_t field(const unsigned char* p, int width) {
    uint64_t v = 0;
    for (int i = 0; i < width; ++i) v = (v << 8) | p[i];
    return v;
}

long clampLong(uint64_t v) { return v > (uint64_t{1} << 50) ? (1L << 50) : static_cast<long>(v); }
int clampInt(uint64_t v) { return v > INT_MAX ? INT_MAX : static_cast<int>(v); }

// A non-negative decimal number at text[*i] after optional whitespace; false when none.
bool headerNumber(const std::string& text, size_t* i, long* value) {
    lexical::skipWhite(text.data(), text.size(), i);
    return lexical::readDecimal(text.data(), text.size(), i, value);
}

}  // namespace

PdfObject XrefTable::parseXrefStream(long pos) {
    auto parser = parserAt(start_ + pos);
    PdfObject num = parser->readObject();
    PdfObject gen = parser->readObject();
    PdfObject keyword = parser->readObject();
    if (!num.isInt() || !gen.isInt() || !keyword.isCmd("obj")) return PdfObject::makeNull();
    PdfObject obj = parser->readObject();
    if (!obj.isStream("XRef")) return PdfObject::makeNull();
    xrefStreamNumbers_.insert(num.getInt());
    return obj;
}

bool XrefTable::readXrefStream(long pos, long* prev, bool* hasPrev, bool hybrid) {
    PdfObject stream = parseXrefStream(pos);
    if (!stream.isStream()) return false;
    PdfDict* dict = stream.dictOf();

    PdfObject w = dict->lookup("W");
    int widths[3] = {0, 0, 0};
    bool goodWidths = w.isArray() && w.arrayLength() == 3;
    for (int i = 0; goodWidths && i < 3; ++i) {
        PdfObject v = w.arrayGet(i);
        goodWidths = v.isInt() && v.getInt() >= 0 && v.getInt() <= kMaxFieldWidth;
        if (goodWidths) widths[i] = v.getInt();
    }
    const int width = widths[0] + widths[1] + widths[2];
    if (!goodWidths || width == 0) {
        reportError(-1, "Bad field widths in cross-reference stream");
        return false;
    }

    PdfObject sizeObj = dict->lookup("Size");
    PdfObject index = dict->lookup("Index");
    std::vector<std::pair<long, long>> ranges;
    bool goodIndex = true;
    if (index.isArray()) {
        goodIndex = index.arrayLength() % 2 == 0;
        for (int i = 0; goodIndex && i < index.arrayLength(); i += 2) {
            PdfObject first = index.arrayGet(i), count = index.arrayGet(i + 1);
            goodIndex = first.isInt() && count.isInt() && first.getInt() >= 0 && count.getInt() >= 0;
            if (goodIndex) ranges.emplace_back(first.getInt(), count.getInt());
        }
    } else if (sizeObj.isInt() && sizeObj.getInt() >= 0) {
        ranges.emplace_back(0, sizeObj.getInt());
    } else {
        goodIndex = false;
    }
    for (const auto& r : ranges) goodIndex = goodIndex && r.first + r.second <= kMaxObjects;
    if (!goodIndex) {
        reportError(-1, "Bad index in cross-reference stream");
        return false;
    }

    Stream* s = stream.getStream();
    s->reset();
    unsigned char e[3 * kMaxFieldWidth];
    bool good = true;
    for (const auto& r : ranges) {
        for (long k = 0; good && k < r.second; ++k) {
            if (s->readBlock(e, width) != width) {
                reportError(-1, "Cross-reference stream data ends early");
                good = false;
                break;
            }
            long slot = r.first + k;
            // Grown entry by entry, so a claimed range costs memory only for the entries
            // the data really holds.
            XrefEntry* found = entries_.slot(slot);
            if (!found) continue;
            XrefEntry& target = *found;
            if (target.offset != -1 && !(hybrid && !target.used && sectionFree_.count(slot))) continue;
            uint64_t type = widths[0] ? field(e, widths[0]) : 1;
            uint64_t f2 = field(e + widths[0], widths[1]);
            uint64_t f3 = field(e + widths[0] + widths[1], widths[2]);
            if (type == 0) {
                // Free: taken (an older section must not bring the object back) but not used.
                target = XrefEntry{0, clampInt(f3), false, -1};
            } else if (type == 1) {
                target = XrefEntry{clampLong(f2), clampInt(f3), true, -1};
            } else if (type == 2 && f2 < static_cast<uint64_t>(kMaxObjects)) {
                target = XrefEntry{clampInt(f3), 0, true, static_cast<int>(f2)};
            }
            // Other types are references to nothing; the slot stays empty.
        }
    }
    s->close();
    if (!good) return false;
    PdfObject p = dict->lookupRaw("Prev");
    *hasPrev = p.isInt();
    if (*hasPrev) *prev = p.getInt();
    usesStreams_ = true;
    return true;
}

const DecodedObjectStream* XrefTable::objectStream(int number) {
    if (const DecodedObjectStream* cached = objectStreams_.find(number)) return cached;
    if (badObjectStreams_.count(number)) return nullptr;
    // Remembered as bad first: loading may fetch again (an indirect Length), and a stream
    // that turns out to be its own container must not be tried twice.
    badObjectStreams_.insert(number);
    const XrefEntry* e = entry(number);
    if (!e || e->offset < 0 || e->streamNumber >= 0) {
        reportError(-1, "Object stream %d is missing or inside an object stream", number);
        return nullptr;
    }
    PdfObject obj = fetch(number, e->generation);
    PdfObject n = obj.dictLookup("N"), first = obj.dictLookup("First");
    if (!obj.isStream("ObjStm") || !n.isInt() || !first.isInt() || n.getInt() < 0 || first.getInt() < 0) {
        reportError(-1, "Object %d is not a usable object stream", number);
        return nullptr;
    }
    std::string data;
    Stream* s = obj.getStream();
    s->reset();
    unsigned char buf[16384];
    for (int got; (got = s->readBlock(buf, sizeof buf)) > 0;) {
        data.append(reinterpret_cast<char*>(buf), static_cast<size_t>(got));
        if (static_cast<long>(data.size()) > kMaxObjectStreamBytes) break;
    }
    s->close();
    if (static_cast<long>(data.size()) > kMaxObjectStreamBytes) {
        reportError(-1, "Object stream %d is too large", number);
        return nullptr;
    }

    DecodedObjectStream d;
    d.number = number;
    d.size = static_cast<long>(data.size());
    d.first = first.getInt();
    size_t at = 0;
    for (int i = 0; i < n.getInt(); ++i) {
        long num = 0, off = 0;
        if (!headerNumber(data, &at, &num) || !headerNumber(data, &at, &off) || at > static_cast<size_t>(d.first)) {
            reportError(-1, "Bad header in object stream %d", number);
            break;
        }
        d.objects.push_back({num > INT_MAX ? -1 : static_cast<int>(num), off, 0});
    }
    d.index();
    d.data = std::make_shared<SharedFile>();
    d.data->data = memoryFileData(std::move(data));
    badObjectStreams_.erase(number);
    return objectStreams_.insert(std::move(d));
}

PdfObject XrefTable::fetchCompressed(int number, const XrefEntry& e) {
    PdfObject result = PdfObject::makeNull();
    const DecodedObjectStream* d = objectStream(e.streamNumber);
    long index = e.offset;
    if (d && (index >= static_cast<long>(d->objects.size()) || d->objects[static_cast<size_t>(index)].number != number)) {
        // The table's index disagrees with the stream's header: trust the header.
        index = d->find(number);
    }
    if (d && index >= 0) {
        const ObjectStreamMember& member = d->objects[static_cast<size_t>(index)];
        long offset = member.offset, end = member.end;
        if (offset < d->size - d->first) {
            // The parser gets its own hold on the bytes: the cache may drop them meanwhile.
            Stream* s = new FileStream(d->data, d->first + offset, end - offset, PdfObject::makeNull());
            PdfParser parser(this, std::make_unique<PdfLexer>(this, s));
            // Strings were decrypted with the whole object stream.
            result = parser.readObject();
        } else {
            reportError(-1, "Object %d lies outside object stream %d", number, e.streamNumber);
        }
    }
    return result;
}

}  // namespace qm

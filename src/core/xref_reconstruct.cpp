// Rebuilding the cross-reference table of a damaged file by scanning it line by line for
// object headers, trailers and the ends of streams.
#include <cstring>

#include "core/lexical.h"
#include "core/pdf_dict.h"
#include "core/pdf_parser.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "streams/stream.h"

namespace qm {

namespace {

constexpr int kLineSize = 256;  // lines of at most 255 bytes; longer ones come in pieces

// Decimal digits at line[*i]; false when there is none. Saturates instead of overflowing.
bool lineNumber(const char* line, int length, size_t* i, long* value) {
    return lexical::readDecimal(line, static_cast<size_t>(length), i, value);
}

// White space at line[*i]; false when there is none.
bool lineWhite(const char* line, int length, size_t* i) {
    size_t start = *i;
    lexical::skipWhite(line, static_cast<size_t>(length), i);
    return *i > start;
}

}  // namespace

bool XrefTable::reconstruct() {
    reportError(-1, "PDF file is damaged - attempting to reconstruct xref table...");
    rebuilt_ = true;
    streamEnds_.clear();
    trailer_ = PdfObject::makeNull();
    rootNum_ = rootGen_ = -1;
    bool rootFound = false;

    PdfObject holder = PdfObject::makeStream(streamAt(start_));
    Stream* in = holder.getStream();
    in->reset();
    char line[kLineSize];
    for (;;) {
        long linePos = in->position();
        if (in->peekByte() < 0) break;
        int length = 0;
        while (length < kLineSize - 1) {
            int c = in->readByte();
            if (c < 0 || c == '\n') break;
            if (c == '\r') {
                if (in->peekByte() == '\n') in->readByte();
                break;
            }
            line[length++] = static_cast<char>(c);
        }

        if (length >= 7 && std::memcmp(line, "trailer", 7) == 0) {
            PdfObject obj = parserAt(linePos + 7)->readObject();
            if (obj.isDict()) {
                PdfObject root = obj.dictLookupRaw("Root");
                if (root.isRef()) {
                    rootNum_ = root.getRefNum();
                    rootGen_ = root.getRefGen();
                    rootFound = true;
                }
                trailer_ = std::move(obj);
            }
        } else if (length > 0 && lexical::isDigit(line[0])) {
            scanObjectLine(line, length, linePos);
        } else if (length >= 9 && std::memcmp(line, "endstream", 9) == 0) {
            streamEnds_.push_back(linePos);
        }
    }
    in->close();

    PdfObject xrefDict = registerObjectStreams();
    if (!rootFound) rootFound = findRootWithoutTrailer(xrefDict);
    if (!rootFound) {
        reportError(-1, "Couldn't find trailer dictionary");
        return false;
    }
    return true;
}

// "N G obj" at the start of a line records object N at this line.
void XrefTable::scanObjectLine(const char* line, int length, long linePos) {
    size_t i = 0;
    long num = 0, gen = 0;
    if (!lineNumber(line, length, &i, &num) || !lineWhite(line, length, &i)) return;
    if (!lineNumber(line, length, &i, &gen) || !lineWhite(line, length, &i)) return;
    if (static_cast<size_t>(length) - i < 3 || std::memcmp(line + i, "obj", 3) != 0) return;
    XrefEntry* slot = entries_.slot(num);
    if (!slot) return;
    XrefEntry& e = *slot;
    int generation = gen > 0x7fffffff ? 0x7fffffff : static_cast<int>(gen);
    if (e.used && e.generation > generation) return;
    e.offset = linePos - start_;
    e.generation = generation;
    e.used = true;
}

PdfObject XrefTable::registerObjectStreams() {
    PdfObject xrefDict = PdfObject::makeNull();
    long xrefOffset = -1;
    for (int n : entries_.usedNumbers()) {
        XrefEntry e = *entry(n);
        if (e.streamNumber >= 0) continue;
        PdfObject obj = fetch(n, e.generation);
        if (obj.isStream("XRef") && e.offset > xrefOffset) {
            xrefOffset = e.offset;
            xrefDict = obj.getStream()->sourceStream()->dictObject();
            xrefStreamNumbers_.insert(n);
        }
        if (!obj.isStream("ObjStm")) continue;
        const DecodedObjectStream* d = objectStream(n);
        if (!d) continue;
        // Objects found on their own lines stay; older copies inside streams do not
        // replace them.
        for (size_t i = 0; i < d->objects.size(); ++i) {
            int num = d->objects[i].number;
            XrefEntry* target = entries_.slot(num);
            if (target && target->offset == -1) *target = XrefEntry{static_cast<long>(i), 0, true, n};
        }
    }
    return xrefDict;
}

// Without a trailer keyword the last cross-reference stream's dictionary serves as the
// trailer; without that, the catalog is looked for among all objects.
bool XrefTable::findRootWithoutTrailer(const PdfObject& xrefDict) {
    PdfObject root = xrefDict.dictLookupRaw("Root");
    if (root.isRef()) {
        rootNum_ = root.getRefNum();
        rootGen_ = root.getRefGen();
        trailer_ = xrefDict;
        return true;
    }
    for (int n : entries_.usedNumbers()) {
        XrefEntry e = *entry(n);
        if (!fetch(n, e.generation).isDict("Catalog")) continue;
        rootNum_ = n;
        rootGen_ = e.generation;
    }
    if (rootNum_ < 0) return false;
    if (!trailer_.isDict()) trailer_ = xrefDict.isDict() ? xrefDict : PdfObject::makeDict(this);
    trailer_.getDict()->set("Root", PdfObject::makeRef(rootNum_, rootGen_));
    return true;
}

}  // namespace qm

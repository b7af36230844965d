#include "streams/filter_chain.h"

#include <cstring>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "streams/filter_stream.h"
#include "streams/filter_registry.h"

namespace qm {

namespace {

constexpr int kMaxFilters = 16;

void readInt(const PdfDict* d, const char* key, int* value) {
    if (!d) return;
    PdfObject o = d->lookup(key);
    if (o.isInt()) *value = o.getInt();
}

void readBool(const PdfDict* d, const char* key, bool* value) {
    if (!d) return;
    PdfObject o = d->lookup(key);
    if (o.isBool()) *value = o.getBool();
}

}  // namespace

PredictorParams readPredictorParams(const PdfDict* d) {
    PredictorParams p;
    readInt(d, "Predictor", &p.predictor);
    readInt(d, "Columns", &p.columns);
    readInt(d, "Colors", &p.colors);
    readInt(d, "BitsPerComponent", &p.bitsPerComponent);
    return p;
}

LzwParams readLzwParams(const PdfDict* d) {
    LzwParams p;
    p.predictor = readPredictorParams(d);
    readInt(d, "EarlyChange", &p.earlyChange);
    return p;
}

CcittParams readCcittParams(const PdfDict* d) {
    CcittParams p;
    readInt(d, "K", &p.k);
    readBool(d, "EndOfLine", &p.endOfLine);
    readBool(d, "EncodedByteAlign", &p.encodedByteAlign);
    readInt(d, "Columns", &p.columns);
    readInt(d, "Rows", &p.rows);
    readBool(d, "EndOfBlock", &p.endOfBlock);
    readBool(d, "BlackIs1", &p.blackIs1);
    return p;
}

Stream* makeFilter(Stream* below, const char* name, const PdfObject& params) {
    const PdfDict* dict = params.isDict() ? params.getDict() : nullptr;
    // The security handler already decrypted the data below, with the method this names.
    if (std::strcmp(name, "Crypt") == 0) return below;
    for (const FilterEntry* e = filterEntries(); e->name; ++e) {
        if (std::strcmp(name, e->name) == 0 || std::strcmp(name, e->abbreviation) == 0)
            return e->make(below, dict);
    }
    reportError(below->position(), "Unknown filter '%s'", name);
    return new EndOfDataStream(below);
}

Stream* addFilters(Stream* stream, const PdfDict* dict) {
    if (!dict) return stream;
    PdfObject filter = dict->lookup("Filter");
    if (filter.isNull()) filter = dict->lookup("F");
    PdfObject params = dict->lookup("DecodeParms");
    if (params.isNull()) params = dict->lookup("DP");

    if (filter.isName()) return makeFilter(stream, filter.getName(), params);
    if (filter.isArray()) {
        for (int i = 0; i < filter.arrayLength(); ++i) {
            if (i == kMaxFilters) {
                // Every decoder adds a level of calls per byte; a hostile chain must not
                // exhaust the stack.
                reportError(stream->position(), "Too many filters");
                return new EndOfDataStream(stream);
            }
            PdfObject name = filter.arrayGet(i);
            PdfObject p = params.isArray() ? params.arrayGet(i) : PdfObject::makeNull();
            if (name.isName()) {
                stream = makeFilter(stream, name.getName(), p);
            } else {
                reportError(stream->position(), "Bad filter name");
                stream = new EndOfDataStream(stream);
            }
        }
        return stream;
    }
    if (!filter.isNull()) reportError(stream->position(), "Bad 'Filter' attribute in stream");
    return stream;
}

}  // namespace qm

#pragma once
// Builds the decoder chain named by a stream dictionary's Filter and DecodeParms entries.
#include "core/pdf_object.h"
#include "streams/stream.h"

namespace qm {

class PdfDict;

struct PredictorParams {
    int predictor = 1;
    int columns = 1;
    int colors = 1;
    int bitsPerComponent = 8;
};

struct LzwParams {
    PredictorParams predictor;
    int earlyChange = 1;
};

struct CcittParams {
    int k = 0;
    bool endOfLine = false;
    bool encodedByteAlign = false;
    int columns = 1728;
    int rows = 0;
    bool endOfBlock = true;
    bool blackIs1 = false;
};

// Parameter readers: absent keys and values of the wrong kind keep the defaults.
PredictorParams readPredictorParams(const PdfDict* params);
LzwParams readLzwParams(const PdfDict* params);
CcittParams readCcittParams(const PdfDict* params);

// Takes over `stream` and returns the top of the chain built from `dict`.
Stream* addFilters(Stream* stream, const PdfDict* dict);
// Takes over `below` and returns the new decoder on top of it (an end-of-data stream for a
// name no decoder answers to). `params` is a dictionary or anything else (ignored).
Stream* makeFilter(Stream* below, const char* name, const PdfObject& params);

}  // namespace qm

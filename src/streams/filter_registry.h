#pragma once
// The decoders makeFilter knows, by full name and abbreviation.
#include "streams/stream.h"

namespace qm {

class PdfDict;

struct FilterEntry {
    const char* name;
    const char* abbreviation;
    // Takes over `below`; `params` is the decode-parameters dictionary or null.
    Stream* (*make)(Stream* below, const PdfDict* params);
};

// Terminated by an entry whose name is null.
const FilterEntry* filterEntries();

}  // namespace qm

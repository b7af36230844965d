#include "streams/filter_registry.h"

#include "streams/ascii85_decoder.h"
#include "streams/ascii_hex_decoder.h"
#include "streams/ccitt_fax_decoder.h"
#include "streams/dct_decoder.h"
#include "streams/flate_decoder.h"
#include "streams/jbig2_decoder.h"
#include "streams/jpx_decoder.h"
#include "streams/lzw_decoder.h"
#include "streams/run_length_decoder.h"

namespace qm {

// Each decoder adds its line here.
static const FilterEntry kFilters[] = {
    {"ASCIIHexDecode", "AHx", makeAsciiHexDecoder},
    {"ASCII85Decode", "A85", makeAscii85Decoder},
    {"LZWDecode", "LZW", makeLzwDecoder},
    {"RunLengthDecode", "RL", makeRunLengthDecoder},
    {"CCITTFaxDecode", "CCF", makeCcittFaxDecoder},
    {"DCTDecode", "DCT", makeDctDecoder},
    {"FlateDecode", "Fl", makeFlateDecoder},
    // No abbreviations exist for these two; the full name stands in.
    {"JBIG2Decode", "JBIG2Decode", makeJbig2Decoder},
    {"JPXDecode", "JPXDecode", makeJpxDecoder},
    {nullptr, nullptr, nullptr},
};

const FilterEntry* filterEntries() { return kFilters; }

}  // namespace qm

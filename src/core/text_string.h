#pragma once
// Text strings of a PDF (outline titles, document information, link targets) as UTF-8. A
// string is UTF-16 when it starts with a byte order mark (big-endian FE FF, or the
// little-endian FF FE some writers use), UTF-8 with its mark EF BB BF, and otherwise in the
// PDF's own single-byte encoding. Strings without a mark that are valid UTF-8 with at least
// one multi-byte sequence are taken as UTF-8: writers that skip the mark are common, and
// such bytes are improbable as single-byte text.
#include <string>
#include <string_view>

namespace qm {

std::string textStringToUtf8(std::string_view bytes);

// Link targets (URIs, file names) are bytes of their own; only a marked string is decoded.
std::string markedTextToUtf8(std::string_view bytes);

}  // namespace qm

#pragma once
// Shared by the decoder tests: run one decoder over bytes in memory, load fixtures, and
// throw damaged variants of real data at a decoder.
#include <functional>
#include <string>

#include "core/pdf_object.h"
#include "streams/stream.h"

namespace qm::test {

// A decode-parameters object parsed from PDF text such as "<< /K -1 >>" (null when empty).
PdfObject parseParams(const std::string& text);
// A decoder named `filter` over `data`, ready to be reset and read.
Stream* makeDecoder(const char* filter, const std::string& data, const std::string& params = "");
// The whole decoded data, read byte by byte.
std::string decode(const char* filter, const std::string& data, const std::string& params = "");
// The whole decoded data, read through readBlock in odd-sized pieces.
std::string decodeBlocks(const char* filter, const std::string& data, const std::string& params = "");
// The bytes of tests/data/streams/<name>; empty (and a test failure) when it is missing.
std::string fixture(const std::string& name);

// Feeds the decoder truncated copies of `data` and copies with single flipped bits; each
// decode must end on its own and never yield more than `maxOutput` bytes.
void decodeDamaged(const char* filter, const std::string& data, const std::string& params,
                   size_t maxOutput, int variants = 64);

}  // namespace qm::test

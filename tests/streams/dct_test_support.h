#pragma once
// Shared by the DCT decoder tests: comparing our decode with the reference codec's and
// finding or patching markers in JPEG data.
#include <string>
#include <vector>

namespace qm::test {

// Largest difference between our samples and the reference decode; -1 when the sizes differ.
int maxDifference(const std::string& ours, const std::vector<unsigned char>& ref);

// Offset of the first marker `code` (0xFF code) in a JPEG file at or after `from`, or npos.
size_t findMarker(const std::string& jpeg, int code, size_t from = 0);

// Offset of the frame header (baseline, extended or progressive), or npos.
size_t findFrame(const std::string& jpeg);

// Our decode matches the reference decode: within one level per component, and within the
// colour transform's spread of that level once transformed. No message is reported.
void expectMatchesReference(const std::string& jpeg);

// Decodes with DCTDecode and hands back the messages reported on the way.
std::string decodeWithMessages(const std::string& jpeg, std::vector<std::string>* messages);

}  // namespace qm::test

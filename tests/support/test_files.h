#pragma once
// Files the tests read back after a program wrote them (corpus paths: corpus_manifest.h).
#include <string>

namespace qm::test {

bool pathExists(const std::string& path);
// The file's bytes; empty when it cannot be read.
std::string readWholeFile(const std::string& path);

}  // namespace qm::test

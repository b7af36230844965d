#pragma once
// Files the tests read back after a program wrote them (corpus paths: corpus_manifest.h).
#include <map>
#include <string>

namespace qm::test {

bool pathExists(const std::string& path);
// The file's bytes; empty when it cannot be read.
std::string readWholeFile(const std::string& path);
// Every file under `folder`, by its path relative to it, with its bytes.
std::map<std::string, std::string> filesUnder(const std::string& folder);
// A scratch folder name for the running test, apart from every other test process (several
// builds' test binaries may run at once on one machine and share the temporary folder).
std::string scratchFolderFor(const std::string& prefix);

}  // namespace qm::test

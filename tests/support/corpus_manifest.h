#pragma once
// The shared test corpus as its MANIFEST.tsv lists it: file names and passwords.
#include <string>
#include <vector>

namespace qm::test {

struct CorpusFile {
    std::string name;      // file name inside tests/data/corpus
    std::string password;  // user password, empty when none is needed
    int pages = 0;
};

std::vector<CorpusFile> corpusFiles();
std::string corpusPath(const std::string& name);

}  // namespace qm::test

#include "support/corpus_manifest.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qm::test {

std::vector<CorpusFile> corpusFiles() {
    std::ifstream manifest(std::string(QM_TEST_DATA_DIR) + "/corpus/MANIFEST.tsv");
    std::vector<CorpusFile> files;
    std::string line;
    std::getline(manifest, line);  // the heading
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string name, origin, size, pages, password;
        std::getline(fields, name, '\t');
        std::getline(fields, origin, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, pages, '\t');
        std::getline(fields, password, '\t');
        if (name.empty()) continue;
        files.push_back({name, password, std::atoi(pages.c_str())});
    }
    return files;
}

std::string corpusPath(const std::string& name) { return std::string(QM_TEST_DATA_DIR) + "/corpus/" + name; }

}  // namespace qm::test

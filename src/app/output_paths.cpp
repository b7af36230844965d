#include "app/output_paths.h"

#include "convert/path_parts.h"

namespace qm {

std::string siteOutputBeside(const std::string& pdf) { return siteOutputForChosenFile(pdf); }

std::string siteOutputForChosenFile(const std::string& chosen) {
    std::string base(baseNameOf(chosen));
    if (base.empty()) base = std::string(fileNameOf(chosen));
    return std::string(folderOf(chosen)) + base + "/index.htm";
}

std::string bmpStemForChosenFile(const std::string& chosen) {
    std::string base(baseNameOf(chosen));
    if (base.empty()) base = std::string(fileNameOf(chosen));
    return std::string(folderOf(chosen)) + base;
}

std::string bmpStemInFolder(const std::string& folder, const std::string& pdf) {
    std::string prefix = folder;
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    if (prefix.empty()) prefix = ".";
    return (prefix == "/" ? prefix : prefix + "/") + std::string(fileNameOf(pdf));
}

std::string siteOutputInFolder(const std::string& folder, const std::string& pdf) {
    std::string prefix = folder;
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    if (prefix.empty()) prefix = ".";
    std::string base(baseNameOf(pdf));
    if (base.empty()) base = std::string(fileNameOf(pdf));
    return (prefix == "/" ? prefix : prefix + "/") + base + "/index.htm";
}

}  // namespace qm

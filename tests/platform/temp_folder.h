#pragma once
// A fresh folder under the temporary folder for one test, removed with everything in it.
#include <string>

#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"

#include <cstdlib>

namespace qm::test {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = tempDirectory() + "/qm-platform-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        if (!path_.empty()) deleteFolderTree(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readFileText(const std::string& path);
void writeFileText(const std::string& path, const std::string& text);

}  // namespace qm::test

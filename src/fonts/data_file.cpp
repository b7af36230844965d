#include "fonts/data_file.h"

#include <sys/stat.h>

#include "platform/system/data_dir.h"
#include "platform/system/full_path.h"

namespace qm {

namespace {

std::string& resourceRootSetting() {
    static std::string root;
    return root;
}

FilePtr openRegular(const std::string& path, const char* mode, std::string* openedPath) {
    if (path.empty()) return nullptr;
    FilePtr f(std::fopen(path.c_str(), mode));
    if (!f) return nullptr;
    struct stat st;
    if (::fstat(::fileno(f.get()), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    if (openedPath) *openedPath = path;
    return f;
}

}  // namespace

void setResourceRoot(const std::string& dir) { resourceRootSetting() = dir; }

std::string resourceRoot() {
    const std::string& root = resourceRootSetting();
    return root.empty() ? dataDirectory() : root;
}

FilePtr openDataFile(const std::string& path, const char* mode, std::string* openedPath) {
    if (path.empty()) return nullptr;
    if (FilePtr f = openRegular(path, mode, openedPath)) return f;

    size_t slash = path.find_last_of("/\\");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!base.empty()) {
        std::string resource = resourceRoot() + "/Resource/";
        if (FilePtr f = openRegular(resource + base, mode, openedPath)) return f;
        if (FilePtr f = openRegular(resource + "CMap/" + base, mode, openedPath)) return f;
    }

    std::string temp = tempDirectory();
    if (temp.empty() || temp.back() != '/') temp += '/';
    return openRegular(temp + path, mode, openedPath);
}

std::string joinDataPath(const std::string& dir, const std::string& name) {
    return fullPath(dir + "/" + name);
}

FilePtr openDataFileIn(const std::string& dir, const std::string& name, const char* mode, std::string* openedPath) {
    if (FilePtr f = openDataFile(joinDataPath(dir, name), mode, openedPath)) return f;
    if (dir.empty() || dir[0] == '/') return nullptr;
    return openRegular(resourceRoot() + "/" + dir + "/" + name, mode, openedPath);
}

}  // namespace qm

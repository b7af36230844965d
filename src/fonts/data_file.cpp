#include "fonts/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/system/data_dir.h"
#include "platform/system/full_path.h"

namespace qm {

namespace {

std::string& resourceRootSetting() {
    static std::string root;
    return root;
}

// Opens for reading only what is a regular file. The open does not block, so a FIFO or a
// device of the searched name cannot stall the program; it is closed again unread.
FilePtr openRegular(const std::string& path, const char* mode, std::string* openedPath) {
    if (path.empty() || !mode || mode[0] != 'r') return nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FilePtr f(::fdopen(fd, mode));
    if (!f) {
        ::close(fd);
        return nullptr;
    }
    if (openedPath) *openedPath = path;
    return f;
}

// The user's own folder, only when the environment names one: without a home it would be a
// folder under the shared temporary directory, which anyone can fill.
std::string userDataFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if ((xdg && xdg[0] == '/') || (home && *home)) return userConfigDirectory();
    return std::string();
}

}  // namespace

void setResourceRoot(const std::string& dir) { resourceRootSetting() = dir; }

std::string resourceRoot() {
    const std::string& root = resourceRootSetting();
    return root.empty() ? dataDirectory() : root;
}

bool isSafeDataName(std::string_view name) {
    if (name.empty() || name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7f) return false;
    }
    return true;
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

    if (path[0] == '/') return nullptr;
    const std::string user = userDataFolder();
    return user.empty() ? nullptr : openRegular(user + "/" + path, mode, openedPath);
}

std::string joinDataPath(const std::string& dir, const std::string& name) {
    return fullPath(dir + "/" + name);
}

FilePtr openDataFileIn(const std::string& dir, const std::string& name, const char* mode, std::string* openedPath) {
    if (!isSafeDataName(name)) return nullptr;
    if (FilePtr f = openDataFile(joinDataPath(dir, name), mode, openedPath)) return f;
    if (dir.empty() || dir[0] == '/') return nullptr;
    return openRegular(resourceRoot() + "/" + dir + "/" + name, mode, openedPath);
}

}  // namespace qm

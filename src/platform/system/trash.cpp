#include "platform/system/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <ctime>
#include <vector>

#include "core/report_error.h"
#include "platform/system/file_ops.h"

namespace qm {

namespace {

std::string trashFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') return std::string(dataHome) + "/Trash";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return "";
    return std::string(home) + "/.local/share/Trash";
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
    return std::string(cwd) + "/" + path;
}

// The Path key of a .trashinfo file is a URL path: everything but unreserved bytes and '/'
// is percent-encoded.
std::string encodePath(const std::string& path) {
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// Creates info/NAME.trashinfo exclusively, trying NAME, NAME.2, NAME.3 ...; returns the name
// taken, or "" when none could be made.
std::string reserveInfo(const std::string& trash, const std::string& name, const std::string& original) {
    char date[32];
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::string text = "[Trash Info]\nPath=" + encodePath(original) + "\nDeletionDate=" + date + "\n";
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = n == 1 ? name : name + "." + std::to_string(n);
        std::string info = trash + "/info/" + candidate + ".trashinfo";
        int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return "";
        }
        bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ok = (::close(fd) == 0) && ok;
        if (!ok) {
            ::unlink(info.c_str());
            return "";
        }
        return candidate;
    }
    return "";
}

}  // namespace

bool moveToTrash(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    std::string trash = trashFolder();
    std::string name = path.substr(path.rfind('/') + 1);
    if (!trash.empty() && makeDirectoryPath(trash + "/files") && makeDirectoryPath(trash + "/info")) {
        std::string taken = reserveInfo(trash, name, absolutePath(path));
        if (!taken.empty()) {
            if (::rename(path.c_str(), (trash + "/files/" + taken).c_str()) == 0) return true;
            ::unlink((trash + "/info/" + taken + ".trashinfo").c_str());
        }
    }
    if (::unlink(path.c_str()) == 0) return true;
    reportError(-1, "Couldn't delete file '%s': %s", path.c_str(), std::strerror(errno));
    return false;
}

bool trashFilesMatching(const std::string& pattern, int* count) {
    if (count) *count = 0;
    std::vector<std::string> names;
    std::string folder;
    if (!matchingFiles(pattern, names, folder)) return false;
    bool ok = true;
    for (const std::string& name : names) {
        if (moveToTrash(folder + "/" + name)) {
            if (count) ++*count;
        } else {
            ok = false;
        }
    }
    return ok;
}

}  // namespace qm

#include "platform/system/file_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/report_error.h"

namespace qm {

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

bool makeDirectoryPath(const std::string& path) {
    if (path.empty()) return false;
    // Walk the growing prefixes; a level that exists (or appears meanwhile) is fine.
    for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
        std::string prefix = path.substr(0, pos);
        if (!prefix.empty() && prefix.back() != '/' && ::mkdir(prefix.c_str(), 0777) != 0 &&
            errno != EEXIST) {
            reportError(-1, "Couldn't create folder '%s': %s", prefix.c_str(), std::strerror(errno));
            return false;
        }
        if (pos == std::string::npos) break;
    }
    return isDirectory(path);
}

namespace {

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool copyContents(int in, int out) {
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!writeAll(out, buffer, static_cast<size_t>(n))) return false;
    }
}

// Splits "folder/glob" into its folder ("." when there is none) and its last component.
std::pair<std::string, std::string> splitPattern(const std::string& pattern) {
    size_t slash = pattern.rfind('/');
    if (slash == std::string::npos) return {std::string("."), pattern};
    return {pattern.substr(0, slash == 0 ? 1 : slash), pattern.substr(slash + 1)};
}

}  // namespace

// The regular files of `folder` whose names match `glob`, by name.
bool matchingFiles(const std::string& pattern, std::vector<std::string>& names, std::string& folder) {
    auto [dirName, glob] = splitPattern(pattern);
    folder = dirName;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        reportError(-1, "Couldn't open folder '%s': %s", folder.c_str(), std::strerror(errno));
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (::fnmatch(glob.c_str(), entry->d_name, FNM_PERIOD) != 0) continue;
        std::string full = folder + "/" + entry->d_name;
        struct stat st;
        if (::lstat(full.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) &&
            !isDirectory(full))
            names.push_back(entry->d_name);
    }
    ::closedir(dir);
    return true;
}

bool copyFile(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        reportError(-1, "Couldn't open file '%s': %s", from.c_str(), std::strerror(errno));
        return false;
    }
    std::string temp = to + ".XXXXXX";
    int out = ::mkstemp(temp.data());
    if (out < 0) {
        reportError(-1, "Couldn't create file '%s': %s", to.c_str(), std::strerror(errno));
        ::close(in);
        return false;
    }
    struct stat st;
    if (::fstat(in, &st) == 0) ::fchmod(out, st.st_mode & 0777);
    bool ok = copyContents(in, out);
    ::close(in);
    ok = (::close(out) == 0) && ok;
    if (ok && ::rename(temp.c_str(), to.c_str()) != 0) ok = false;
    if (!ok) {
        reportError(-1, "Couldn't copy '%s' to '%s': %s", from.c_str(), to.c_str(), std::strerror(errno));
        ::unlink(temp.c_str());
    }
    return ok;
}

bool copyFilesMatching(const std::string& pattern, const std::string& toFolder, int* count) {
    if (count) *count = 0;
    std::vector<std::string> names;
    std::string folder;
    if (!matchingFiles(pattern, names, folder)) return false;
    bool ok = true;
    for (const std::string& name : names) {
        if (copyFile(folder + "/" + name, toFolder + "/" + name)) {
            if (count) ++*count;
        } else {
            ok = false;
        }
    }
    return ok;
}

bool deleteFilesMatching(const std::string& pattern, int* count) {
    if (count) *count = 0;
    std::vector<std::string> names;
    std::string folder;
    if (!matchingFiles(pattern, names, folder)) return false;
    bool ok = true;
    for (const std::string& name : names) {
        std::string full = folder + "/" + name;
        if (::unlink(full.c_str()) == 0) {
            if (count) ++*count;
        } else {
            reportError(-1, "Couldn't delete file '%s': %s", full.c_str(), std::strerror(errno));
            ok = false;
        }
    }
    return ok;
}

namespace {
int removeEntry(const char* path, const struct stat*, int type, FTW*) {
    int rc = (type == FTW_DP) ? ::rmdir(path) : ::unlink(path);
    if (rc != 0) reportError(-1, "Couldn't delete '%s': %s", path, std::strerror(errno));
    return rc != 0 ? 1 : 0;
}
}  // namespace

bool deleteFolderTree(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    if (trimmed.empty() || trimmed == "/" || trimmed == "." || trimmed == ".." ||
        trimmed.ends_with("/.") || trimmed.ends_with("/..")) {
        reportError(-1, "Refusing to delete folder '%s'", path.c_str());
        return false;
    }
    if (!isDirectory(trimmed)) {
        reportError(-1, "Couldn't delete folder '%s': not a folder", path.c_str());
        return false;
    }
    return ::nftw(trimmed.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

std::string writeFailureText(const std::string& path, int errorNumber) {
    return "Couldn't write '" + path + "': " + std::strerror(errorNumber);
}

bool writeWholeFile(const std::string& path, std::string_view bytes, std::string* error) {
    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        int why = errno;
        if (error) *error = writeFailureText(path, why);
        return false;
    }
    ::fchmod(fd, 0644);
    bool ok = writeAll(fd, bytes.data(), bytes.size());
    int why = ok ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = errno;
    }
    // rename replaces a symbolic link standing at `path` instead of writing through it.
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        why = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        if (error) *error = writeFailureText(path, why);
    }
    return ok;
}

bool appendToFile(const std::string& path, std::string_view bytes, std::string* error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        int why = errno;
        if (error) *error = writeFailureText(path, why);
        return false;
    }
    bool ok = writeAll(fd, bytes.data(), bytes.size());
    int why = ok ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = errno;
    }
    if (!ok && error) *error = writeFailureText(path, why);
    return ok;
}

std::string withExtension(const std::string& path, const std::string& extension) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + extension;
    return path.substr(0, dot) + extension;
}

}  // namespace qm

#include "platform/system/data_dir.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qm {

namespace {
bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

std::string programPath() {
    char path[4096];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    path[n] = '\0';
    return path;
}

std::string programDirectory() {
    std::string p = programPath();
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return p.substr(0, slash);
}

namespace {

// The file mapped at `address`, as the kernel names it: always an absolute path, whatever
// folder the program was started from or has moved to since. "" when it cannot tell.
std::string mappedFileAt(const void* address) {
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (maps == nullptr) return "";
    const auto where = reinterpret_cast<uintptr_t>(address);
    std::string found;
    char line[4096 + 256];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        char* end = nullptr;
        const unsigned long long start = std::strtoull(line, &end, 16);
        if (end == nullptr || *end != '-') continue;
        const unsigned long long stop = std::strtoull(end + 1, &end, 16);
        if (where < start || where >= stop) continue;
        const char* path = std::strchr(end, '/');
        if (path != nullptr) {
            found = path;
            while (!found.empty() && (found.back() == '\n' || found.back() == '\r')) found.pop_back();
            const std::string deleted = " (deleted)";
            if (found.size() > deleted.size() && found.compare(found.size() - deleted.size(), deleted.size(), deleted) == 0) {
                found.resize(found.size() - deleted.size());
            }
        }
        break;
    }
    std::fclose(maps);
    return found;
}

std::string folderPart(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

namespace {

std::string findModuleDirectory() {
    // dladdr names the main program by its argv[0], which is relative when it was started
    // that way and wrong once the program changes folder; the mapping's own name is not.
    std::string path = mappedFileAt(reinterpret_cast<void*>(&moduleDirectory));
    if (!path.empty()) return folderPart(path);
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&moduleDirectory), &info) == 0 || info.dli_fname == nullptr ||
        info.dli_fname[0] != '/') {
        return programDirectory();
    }
    path = info.dli_fname;
    char resolved[4096];
    if (::realpath(path.c_str(), resolved) != nullptr) path = resolved;
    return folderPart(path);
}

}  // namespace

std::string moduleDirectory() {
    // Asked for every setting read (the data folder holds the defaults); the module stays
    // mapped from where it was loaded, so the kernel's list of mappings is read once.
    static const std::string directory = findModuleDirectory();
    return directory;
}

std::string dataDirectory() {
    const char* env = std::getenv("QUILLMARK_DATA_DIR");
    if (env && *env) return env;
    // Installed: bin/, lib/ or lib/<multiarch>/ beside share/vellumix.
    const std::string here = moduleDirectory();
    for (const char* up : {"/../share/vellumix", "/../../share/vellumix"}) {
        std::string installed = here + up;
        if (isDirectory(installed)) return installed;
    }
#if defined(QUILLMARK_SOURCE_DATA_DIR) && defined(QUILLMARK_BUILD_DIR)
    // Programs and libraries run from the build tree read the source tree's data; installed
    // copies never do, wherever the build tree still is.
    const std::string build = QUILLMARK_BUILD_DIR;
    if (here == build || here.rfind(build + "/", 0) == 0) return QUILLMARK_SOURCE_DATA_DIR;
#endif
    return here + "/../share/vellumix";
}

std::string tempDirectory() {
    const char* env = std::getenv("TMPDIR");
    if (env && *env) return env;
    return "/tmp";
}

std::string userConfigDirectory() {
    // A relative XDG_CONFIG_HOME is invalid and must be ignored, or settings would land in
    // whatever folder the program happens to run from.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/vellumix";
    const char* home = std::getenv("HOME");
    std::string base = (home && *home) ? home : tempDirectory();
    return base + "/.config/vellumix";
}

std::string userCacheDirectory() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/quillmark";
    const char* home = std::getenv("HOME");
    std::string base = (home && *home) ? home : tempDirectory();
    return base + "/.cache/quillmark";
}

}  // namespace qm

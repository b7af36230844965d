#include "platform/system/data_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

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

std::string dataDirectory() {
    const char* env = std::getenv("QUILLMARK_DATA_DIR");
    if (env && *env) return env;
    std::string installed = programDirectory() + "/../share/quillmark";
    if (isDirectory(installed)) return installed;
#ifdef QUILLMARK_SOURCE_DATA_DIR
    return QUILLMARK_SOURCE_DATA_DIR;
#else
    return programDirectory() + "/data";
#endif
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

#include "platform/system/full_path.h"

#include <unistd.h>

#include <climits>

namespace qm {

std::string fullPath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    std::string out(cwd);
    if (path.empty()) return out;
    if (out.empty() || out.back() != '/') out += '/';
    out += path;
    return out;
}

}  // namespace qm

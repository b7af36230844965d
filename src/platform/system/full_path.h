#pragma once
// Turning a possibly relative path into an absolute one without touching the file system
// beyond asking for the current directory; the file need not exist.
#include <string>

namespace qm {

// `path` itself when it starts with '/', else the current directory + "/" + path.
// An empty path gives the current directory.
std::string fullPath(const std::string& path);

}  // namespace qm

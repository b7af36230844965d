#pragma once
// The parts of a file path the writers derive names from: folder (with its trailing slash),
// file name, base name (without extension) and extension (with its dot).
#include <string_view>

namespace qm {

inline size_t fileNameStart(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}
inline std::string_view folderOf(std::string_view path) { return path.substr(0, fileNameStart(path)); }
inline std::string_view fileNameOf(std::string_view path) { return path.substr(fileNameStart(path)); }
inline std::string_view baseNameOf(std::string_view path) {
    std::string_view name = fileNameOf(path);
    return name.substr(0, name.rfind('.'));
}
inline std::string_view extensionOf(std::string_view path) {
    std::string_view name = fileNameOf(path);
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

}  // namespace qm

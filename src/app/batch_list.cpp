#include "app/batch_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qm {

namespace {
constexpr size_t kMaxPath = 4096;
constexpr size_t kMaxListBytes = size_t(1) << 32;  // 4 GiB: some 40 million paths
}  // namespace

BatchList parseBatchList(std::string_view text) {
    BatchList list;
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        if (line.find('\0') != std::string_view::npos || line.size() > kMaxPath) {
            list.error = "line " + std::to_string(lineNumber) + " is not a file name";
            list.files.clear();
            return list;
        }
        list.files.emplace_back(line);
    }
    return list;
}

BatchList readBatchList(const std::string& path) {
    BatchList list;
    FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "rbe");
    if (f == nullptr) {
        list.error = std::strerror(errno);
        return list;
    }
    std::string text;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (text.size() + n > kMaxListBytes) {
            list.error = "the list is larger than 4 GiB";
            break;
        }
        text.append(buffer, n);
    }
    if (list.error.empty() && std::ferror(f)) list.error = std::strerror(errno);
    if (f != stdin) std::fclose(f);
    if (!list.error.empty()) return list;
    return parseBatchList(text);
}

}  // namespace qm

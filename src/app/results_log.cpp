#include "app/results_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "app/json_text.h"

namespace qm {

namespace {

// A results line longer than this is not one of ours.
constexpr size_t kMaxLine = 1 << 20;

std::string secondsText(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", seconds < 0 ? 0.0 : seconds);
    return buffer;
}

}  // namespace

std::string resultLine(const ResultRecord& r) {
    return "{\"path\":" + jsonString(r.path) + ",\"output\":" + jsonString(r.output) + ",\"status\":" +
           jsonString(r.status) + ",\"pages\":" + std::to_string(r.pages) + ",\"seconds\":" + secondsText(r.seconds) +
           ",\"message\":" + jsonString(r.message) + "}\n";
}

std::string appendResultLine(const std::string& logPath, const std::string& line) {
    const int fd = ::open(logPath.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return std::strerror(errno);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (::fcntl(fd, F_SETLKW, &lock) != 0) {
        if (errno != EINTR) {
            // Without lock support the single O_APPEND write is still whole on a local disk.
            break;
        }
    }
    // A line cut short by a killed writer is ended first, or it would swallow this one.
    std::string text = line;
    struct stat info {};
    char last = '\n';
    if (::fstat(fd, &info) == 0 && info.st_size > 0 && ::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n') {
        text.insert(0, 1, '\n');
    }
    std::string error;
    ssize_t written;
    do {
        written = ::write(fd, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0) error = std::strerror(errno);
    else if (static_cast<size_t>(written) != text.size()) error = "the line was written only in part";
    if (error.empty() && ::fsync(fd) != 0 && errno != EINVAL) error = std::strerror(errno);
    lock.l_type = F_UNLCK;
    ::fcntl(fd, F_SETLK, &lock);
    if (::close(fd) != 0 && error.empty()) error = std::strerror(errno);
    return error;
}

DoneList readDoneList(const std::string& logPath) {
    DoneList done;
    FILE* f = std::fopen(logPath.c_str(), "rbe");
    if (f == nullptr) {
        if (errno != ENOENT) done.error = std::strerror(errno);
        return done;
    }
    std::unordered_map<std::string, bool> latest;
    std::string line;
    bool overlong = false;
    char buffer[65536];
    auto finishLine = [&] {
        if (!overlong) {
            if (auto fields = parseFlatJsonObject(line)) {
                auto path = fields->find("path");
                auto status = fields->find("status");
                if (path != fields->end() && status != fields->end()) latest[path->second] = status->second == "converted";
            }
        }
        line.clear();
        overlong = false;
    };
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        for (size_t i = 0; i < n;) {
            const char* end = static_cast<const char*>(std::memchr(buffer + i, '\n', n - i));
            const size_t stop = end != nullptr ? static_cast<size_t>(end - buffer) : n;
            if (line.size() + (stop - i) <= kMaxLine) line.append(buffer + i, stop - i);
            else overlong = true;
            i = stop;
            if (end != nullptr) {
                finishLine();
                ++i;
            }
        }
    }
    if (std::ferror(f)) done.error = "read error";
    std::fclose(f);
    if (!line.empty()) finishLine();
    for (auto& [path, converted] : latest) {
        if (converted) done.converted.insert(path);
    }
    return done;
}

}  // namespace qm

#include "platform/system/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "core/report_error.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"

namespace qm {

namespace {

detail::ProfileRenameHook renameHook = nullptr;

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

enum class ReadResult { ok, missing, failed };

ReadResult readFile(const std::string& path, std::string& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ReadResult::missing : ReadResult::failed;
    char buffer[16384];
    ReadResult result = ReadResult::ok;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result = ReadResult::failed;
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return result;
}

// One line of the file without its line end, and what kind of line it is.
struct Line {
    std::string_view text;
    bool isSection = false;
    std::string_view name;   // section name, or key of an entry
    std::string_view value;  // entry value (trimmed)
    bool isEntry = false;
};

Line classify(std::string_view raw) {
    Line line;
    line.text = raw;
    std::string_view t = trim(raw);
    if (t.empty() || t[0] == ';') return line;
    if (t[0] == '[') {
        size_t close = t.find(']');
        if (close != std::string_view::npos) {
            line.isSection = true;
            line.name = trim(t.substr(1, close - 1));
        }
        return line;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return line;
    line.isEntry = true;
    line.name = trim(t.substr(0, eq));
    line.value = trim(t.substr(eq + 1));
    return line;
}

std::vector<Line> splitLines(const std::string& contents) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find('\n', start);
        if (end == std::string::npos) end = contents.size();
        lines.push_back(classify(std::string_view(contents).substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

// Index of the section's header line, or -1.
long findSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].isSection && sameIgnoringCase(lines[i].name, section)) return static_cast<long>(i);
    return -1;
}

// A file's lines, and what its stat said when they were read.
struct ParsedProfile {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{}, changed{};
    // Whether the file had been left alone for a while when it was read. File times move in
    // ticks of a few milliseconds: a file rewritten within the tick it was read in, to the
    // same size, would look unchanged. A file changed in the last seconds is read every time.
    bool settled = false;
    std::string contents;
    std::vector<Line> lines;  // views into contents, which never moves
};

bool sameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// Settings are asked for several times per page, so the files' lines are kept for as long
// as a stat finds the file as it was (the same file, size and times): a file that anyone
// rewrites or replaces is read again.
class ProfileCache {
public:
    std::shared_ptr<const ParsedProfile> get(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            forget(path);
            return nullptr;
        }
        {
            std::lock_guard<std::mutex> hold(lock_);
            auto at = files_.find(path);
            if (at != files_.end()) {
                const ParsedProfile& p = *at->second;
                if (p.settled && p.device == st.st_dev && p.inode == st.st_ino && p.size == st.st_size &&
                    sameTime(p.modified, st.st_mtim) && sameTime(p.changed, st.st_ctim))
                    return at->second;
            }
        }
        auto parsed = std::make_shared<ParsedProfile>();
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        parsed->settled = now.tv_sec - std::max(st.st_mtim.tv_sec, st.st_ctim.tv_sec) >= kSettledSeconds;
        if (readFile(path, parsed->contents) != ReadResult::ok) {
            forget(path);
            return nullptr;
        }
        parsed->device = st.st_dev;
        parsed->inode = st.st_ino;
        parsed->size = st.st_size;
        parsed->modified = st.st_mtim;
        parsed->changed = st.st_ctim;
        parsed->lines = splitLines(parsed->contents);
        std::lock_guard<std::mutex> hold(lock_);
        if (files_.size() >= kMostFiles) files_.clear();
        files_[path] = parsed;
        return parsed;
    }
    void forget(const std::string& path) {
        std::lock_guard<std::mutex> hold(lock_);
        files_.erase(path);
    }

private:
    static constexpr size_t kMostFiles = 16;
    static constexpr time_t kSettledSeconds = 2;
    std::mutex lock_;
    std::map<std::string, std::shared_ptr<const ParsedProfile>> files_;
};

ProfileCache& profileCache() {
    static ProfileCache* cache = new ProfileCache;  // asked until the program ends
    return *cache;
}

bool lookup(const std::string& file, std::string_view section, std::string_view key, std::string& value) {
    const std::shared_ptr<const ParsedProfile> parsed = profileCache().get(file);
    if (parsed == nullptr) return false;
    const std::vector<Line>& lines = parsed->lines;
    long s = findSection(lines, section);
    if (s < 0) return false;
    for (size_t i = static_cast<size_t>(s) + 1; i < lines.size() && !lines[i].isSection; ++i) {
        if (lines[i].isEntry && sameIgnoringCase(lines[i].name, key)) {
            std::string_view v = lines[i].value;
            if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
            value.assign(v);
            return true;
        }
    }
    return false;
}

bool hasAny(std::string_view s, const char* chars) { return s.find_first_of(chars) != std::string_view::npos; }

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool replaceFile(const std::string& file, const std::string& contents) {
    size_t slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeDirectoryPath(file.substr(0, slash))) return false;
    std::string temp = file + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        reportError(-1, "Couldn't write profile '%s': %s", file.c_str(), std::strerror(errno));
        return false;
    }
    struct stat st;
    if (::stat(file.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 0777);
    bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && renameHook && !renameHook()) return false;  // simulated crash: temp file stays behind
    if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
    profileCache().forget(file);
    if (!ok) {
        reportError(-1, "Couldn't write profile '%s': %s", file.c_str(), std::strerror(errno));
        ::unlink(temp.c_str());
    }
    return ok;
}

}  // namespace

std::string readProfileString(const std::string& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    std::string value;
    if (lookup(file, section, key, value)) return value;
    return std::string(defaultValue);
}

int readProfileInt(const std::string& file, std::string_view section, std::string_view key, int defaultValue) {
    std::string value;
    if (!lookup(file, section, key, value)) return defaultValue;
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    long long n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        n = n * 10 + (value[i] - '0');
        if (n > static_cast<long long>(INT_MAX) + 1) n = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) n = -n;
    if (n > INT_MAX) n = INT_MAX;
    return static_cast<int>(n);
}

bool writeProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (trim(section).empty() || trim(key).empty() || hasAny(section, "\r\n]") || hasAny(key, "\r\n=[;") ||
        hasAny(value, "\r\n")) {
        reportError(-1, "Bad profile entry [%.*s] %.*s", static_cast<int>(section.size()), section.data(),
                    static_cast<int>(key.size()), key.data());
        return false;
    }
    std::string contents;
    // Rewriting a file that exists but cannot be read would throw its other entries away.
    if (readFile(file, contents) == ReadResult::failed) {
        reportError(-1, "Couldn't read profile '%s': %s", file.c_str(), std::strerror(errno));
        return false;
    }
    std::vector<Line> lines = splitLines(contents);
    // Keep the file's own line ends for the lines added or changed.
    const char* eol = (contents.find("\r\n") != std::string::npos) ? "\r\n" : "\n";
    std::string entry = std::string(trim(key)) + "=" + std::string(value);

    long s = findSection(lines, section);
    long replace = -1, insertAfter = -1;
    if (s >= 0) {
        insertAfter = s;
        for (size_t i = static_cast<size_t>(s) + 1; i < lines.size() && !lines[i].isSection; ++i) {
            if (lines[i].isEntry && sameIgnoringCase(lines[i].name, key)) {
                replace = static_cast<long>(i);
                break;
            }
            if (!trim(lines[i].text).empty()) insertAfter = static_cast<long>(i);
        }
    }
    std::string out;
    out.reserve(contents.size() + entry.size() + section.size() + 8);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (static_cast<long>(i) == replace) {
            out += entry;
            out += eol;
        } else {
            out += lines[i].text;
            out += '\n';
        }
        if (static_cast<long>(i) == insertAfter && replace < 0) {
            out += entry;
            out += eol;
        }
    }
    if (s < 0) {
        out += "[";
        out += trim(section);
        out += "]";
        out += eol;
        out += entry;
        out += eol;
    }
    return replaceFile(file, out);
}

bool writeProfileInt(const std::string& file, std::string_view section, std::string_view key, int value) {
    return writeProfileString(file, section, key, std::to_string(value));
}

std::string applicationProfilePath() { return userConfigDirectory() + "/vellumix.ini"; }

std::string configIniWritePath() { return userConfigDirectory() + "/config.ini"; }

std::string configIniPath() {
    std::string user = configIniWritePath();
    if (isRegularFile(user)) return user;
    return dataDirectory() + "/config.ini";
}

namespace detail {
void setProfileRenameHook(ProfileRenameHook hook) { renameHook = hook; }
}  // namespace detail

}  // namespace qm

#include "streams/file_data.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qm {

namespace {

class PosixFileData : public FileData {
public:
    PosixFileData(int fd, long size) : fd_(fd), size_(size) {}
    ~PosixFileData() override { ::close(fd_); }
    long size() const override { return size_; }
    long readAt(long pos, unsigned char* buffer, long n) override {
        if (pos < 0 || pos >= size_ || n <= 0) return 0;
        if (n > size_ - pos) n = size_ - pos;
        long done = 0;
        while (done < n) {
            ssize_t r = ::pread(fd_, buffer + done, static_cast<size_t>(n - done), pos + done);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            done += r;
        }
        return done;
    }

private:
    int fd_;
    long size_;
};

class MemoryFileData : public FileData {
public:
    explicit MemoryFileData(std::string bytes) : bytes_(std::move(bytes)) {}
    long size() const override { return static_cast<long>(bytes_.size()); }
    long readAt(long pos, unsigned char* buffer, long n) override {
        long size = this->size();
        if (pos < 0 || pos >= size || n <= 0) return 0;
        if (n > size - pos) n = size - pos;
        std::memcpy(buffer, bytes_.data() + pos, static_cast<size_t>(n));
        return n;
    }

private:
    std::string bytes_;
};

}  // namespace

std::shared_ptr<FileData> openFileData(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int why = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = why;  // callers name the reason
        return nullptr;
    }
    return std::make_shared<PosixFileData>(fd, static_cast<long>(st.st_size));
}

std::shared_ptr<FileData> memoryFileData(std::string bytes) {
    return std::make_shared<MemoryFileData>(std::move(bytes));
}

}  // namespace qm

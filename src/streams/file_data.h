#pragma once
// Random-access bytes of an opened PDF: a file on disk or a buffer in memory.
#include <memory>
#include <string>

namespace qm {

class FileData {
public:
    virtual ~FileData() = default;
    virtual long size() const = 0;
    // Copies up to n bytes from pos; returns how many were copied (0 at or past the end).
    virtual long readAt(long pos, unsigned char* buffer, long n) = 0;
};

// Null when the file cannot be opened for reading.
std::shared_ptr<FileData> openFileData(const char* path);
std::shared_ptr<FileData> memoryFileData(std::string bytes);

// One open file shared by every sub-stream. Reads are positional, so the sub-streams share
// no position: each keeps its own.
struct SharedFile {
    std::shared_ptr<FileData> data;
};

}  // namespace qm

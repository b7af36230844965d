#pragma once
// A byte range of the PDF file read through a 256-byte buffer, decrypted on the way in
// when the object is encrypted.
#include <memory>

#include "streams/file_data.h"
#include "streams/stream.h"

namespace qm {

class FileStream : public SourceStream {
public:
    static constexpr int kBufferSize = 256;

    FileStream(std::shared_ptr<SharedFile> file, long start, long length, PdfObject dict);

    StreamKind kind() const override { return StreamKind::File; }
    void reset() override;
    int readByte() override {
        if (next_ >= end_ && !fill()) return -1;
        return buffer_[next_++];
    }
    int peekByte() override {
        if (next_ >= end_ && !fill()) return -1;
        return buffer_[next_];
    }
    int readBlock(unsigned char* buffer, int size) override;
    long position() override { return bufferPos_ + next_; }
    void setPos(long position) override;
    bool isBinaryData(bool last) override { return last; }

    SourceStream* makeSubStream(long start, long length, PdfObject dict) override;
    long getStart() override { return start_; }
    void moveStart(long delta) override;

    long length() const { return length_; }
    const std::shared_ptr<SharedFile>& file() const { return file_; }

private:
    bool fill();
    // fill() for an encrypted object: raw bytes go through the decryptor into the buffer.
    bool fillDecrypted();

    std::shared_ptr<SharedFile> file_;
    long start_;
    long length_;  // -1: up to the end of the file
    unsigned char buffer_[kBufferSize + StreamDecryptor::kMaxExtraOutput];
    int next_ = 0;
    int end_ = 0;
    long bufferPos_;
    // Encrypted objects only: the raw bytes of one chunk, the next raw position to read and
    // whether the decryptor has seen its final chunk.
    std::unique_ptr<unsigned char[]> raw_;
    long rawPos_ = 0;
    bool decryptDone_ = false;
};

}  // namespace qm

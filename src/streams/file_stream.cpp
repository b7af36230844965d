#include "streams/file_stream.h"

#include <cstring>

namespace qm {

FileStream::FileStream(std::shared_ptr<SharedFile> file, long start, long length, PdfObject dict)
    : SourceStream(std::move(dict)), file_(std::move(file)), start_(start < 0 ? 0 : start),
      length_(length < 0 ? -1 : length), bufferPos_(start_), rawPos_(start_) {}

void FileStream::reset() {
    bufferPos_ = start_;
    next_ = end_ = 0;
    if (decryptor_) {
        decryptor_->reset();
        rawPos_ = start_;
        decryptDone_ = false;
    }
}

bool FileStream::fill() {
    if (decryptor_) return fillDecrypted();
    bufferPos_ += end_;
    next_ = end_ = 0;
    long want = kBufferSize;
    if (length_ >= 0) {
        long limit = start_ + length_;
        if (bufferPos_ >= limit) return false;
        if (limit - bufferPos_ < want) want = limit - bufferPos_;
    }
    long got = file_->data->readAt(bufferPos_, buffer_, want);
    if (got <= 0) return false;
    end_ = static_cast<int>(got);
    return true;
}

bool FileStream::fillDecrypted() {
    if (!raw_) raw_ = std::make_unique<unsigned char[]>(kBufferSize);
    next_ = end_ = 0;
    // A chunk can give out nothing (the initialisation vector alone, a held-back block), so
    // read on until there are plain bytes or the object is done.
    while (end_ == 0 && !decryptDone_) {
        long limit = file_->data->size();
        if (length_ >= 0 && start_ + length_ < limit) limit = start_ + length_;
        long want = limit - rawPos_;
        if (want > kBufferSize) want = kBufferSize;
        if (want < 0) want = 0;
        long got = want > 0 ? file_->data->readAt(rawPos_, raw_.get(), want) : 0;
        if (got < 0) got = 0;
        bufferPos_ = rawPos_;
        rawPos_ += got;
        decryptDone_ = got < want || rawPos_ >= limit;
        end_ = decryptor_->decrypt(raw_.get(), static_cast<int>(got), buffer_, decryptDone_);
    }
    return end_ > 0;
}

int FileStream::readBlock(unsigned char* out, int size) {
    int n = 0;
    while (n < size) {
        if (next_ >= end_ && !fill()) break;
        int take = end_ - next_;
        if (take > size - n) take = size - n;
        std::memcpy(out + n, buffer_ + next_, static_cast<size_t>(take));
        next_ += take;
        n += take;
    }
    return n;
}

void FileStream::setPos(long position) {
    long size = file_->data->size();
    long target = position >= 0 ? position : size + position;
    if (target < 0) target = 0;
    bufferPos_ = target;
    next_ = end_ = 0;
    if (decryptor_) {
        // Decryption restarts here; a block cipher's chain cannot be joined mid-way, which
        // nothing reading object data asks for.
        decryptor_->reset();
        rawPos_ = target;
        decryptDone_ = false;
    }
}

SourceStream* FileStream::makeSubStream(long start, long length, PdfObject dict) {
    return new FileStream(file_, start, length, std::move(dict));
}

void FileStream::moveStart(long delta) {
    start_ += delta;
    if (start_ < 0) start_ = 0;
    bufferPos_ = start_;
    rawPos_ = start_;
    next_ = end_ = 0;
}

}  // namespace qm

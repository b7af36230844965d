#pragma once
// Byte sources: the file-backed stream at the bottom of every chain and the decoders
// stacked on it. Streams are reference counted through the PdfObjects that hold them.
#include <memory>

#include "core/pdf_object.h"
#include "core/pdf_string.h"

namespace qm {

class PdfDict;
class SourceStream;

enum class StreamKind : int {
    File = 0,
    AsciiHex = 1,
    Ascii85 = 2,
    Lzw = 3,
    RunLength = 4,
    CcittFax = 5,
    Dct = 6,
    Flate = 7,
    EndOfData = 8,
    Jbig2 = 9,
    Jpx = 10,
};

class Stream {
public:
    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    virtual ~Stream() = default;

    void incRef() { ++refCount_; }
    void decRef() {
        if (--refCount_ == 0) delete this;
    }
    int refCount() const { return refCount_; }

    virtual StreamKind kind() const = 0;
    // Rewinds to the first byte of the (decoded) data.
    virtual void reset() = 0;
    // Ends reading and restores what reset changed.
    virtual void close() {}
    virtual int readByte() = 0;
    virtual int peekByte() = 0;
    // The byte before prediction; only decoders that feed a predictor have it.
    virtual int getRawChar();
    // Reads up to `size` bytes; fewer only at the end of the data. Same bytes as readByte.
    virtual int readBlock(unsigned char* buffer, int size);
    // One line without its end (LF, CR or CR LF); null when no byte is left.
    char* readLine(char* buffer, int size);
    virtual long position() = 0;
    virtual void setPos(long position) = 0;
    // PostScript-style text of the decoding chain; null when a decoder has none.
    virtual std::unique_ptr<PdfString> describeFilter(int indent);
    virtual bool isBinaryData(bool last) = 0;
    virtual SourceStream* sourceStream() = 0;
    virtual PdfDict* dictionary() = 0;
    virtual bool isEncoder() const { return false; }
    // True for a decoder that reads its input ahead of what it decodes and gives back, once
    // read to the end of its data, what it read beyond it.
    virtual bool readsAhead() const { return false; }
    // Bytes a decoder read from this stream beyond the end of its own data. Only the source
    // of an inline image keeps them (the content stream goes on after the image); for any
    // other stream nothing after a decoder's data is ever read, so they are dropped.
    virtual void giveBack(const unsigned char* bytes, int count) {
        (void)bytes;
        (void)count;
    }

private:
    int refCount_ = 1;
};

// Decrypts the raw file bytes of one object, fed in order in chunks; reset returns it to its
// initial state. Block ciphers give out fewer bytes than they take (an initialisation vector,
// padding) and may hold bytes back until the next chunk.
class StreamDecryptor {
public:
    // Plain bytes one call may give out beyond the raw bytes it was given.
    static constexpr int kMaxExtraOutput = 32;

    virtual ~StreamDecryptor() = default;
    virtual void reset() = 0;
    // Decrypts `length` bytes from `in` into `out`, which has room for length +
    // kMaxExtraOutput bytes and does not overlap `in`; `last` marks the final chunk of the
    // object. Returns the number of plain bytes written.
    virtual int decrypt(const unsigned char* in, int length, unsigned char* out, bool last) = 0;
};

class SourceStream : public Stream {
public:
    explicit SourceStream(PdfObject dict) : dict_(std::move(dict)) {}

    SourceStream* sourceStream() override { return this; }
    PdfDict* dictionary() override;
    const PdfObject& dictObject() const { return dict_; }

    // A new stream over the same data from `start` for `length` bytes (-1: to the end).
    virtual SourceStream* makeSubStream(long start, long length, PdfObject dict) = 0;
    virtual long getStart() = 0;
    virtual void moveStart(long delta) = 0;

    void setDecryptor(std::unique_ptr<StreamDecryptor> decryptor) { decryptor_ = std::move(decryptor); }
    StreamDecryptor* decryptor() const { return decryptor_.get(); }

protected:
    PdfObject dict_;
    std::unique_ptr<StreamDecryptor> decryptor_;
};

}  // namespace qm

#include "graphics/sampled_function.h"

#include <cmath>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "streams/stream.h"

namespace qm {

namespace {

// Most-significant-bit-first reader over a stream, refilled a block at a time.
class SampleBitReader {
public:
    explicit SampleBitReader(Stream* stream) : stream_(stream) {}

    // The next `bits` (1..32) bits; false once the data has run out.
    bool read(int bits, uint32_t* value) {
        while (have_ < bits) {
            if (pos_ == len_) {
                len_ = stream_->readBlock(buffer_, static_cast<int>(sizeof buffer_));
                pos_ = 0;
                if (len_ <= 0) {
                    len_ = 0;
                    return false;
                }
            }
            acc_ = (acc_ << 8) | buffer_[pos_++];
            have_ += 8;
        }
        have_ -= bits;
        *value = static_cast<uint32_t>((acc_ >> have_) & ((uint64_t{1} << bits) - 1));
        return true;
    }

private:
    Stream* stream_;
    unsigned char buffer_[4096];
    int pos_ = 0;
    int len_ = 0;
    uint64_t acc_ = 0;
    int have_ = 0;
};

}  // namespace

SampledFunction::SampledFunction(const PdfObject& obj, PdfDict* dict, FunctionParseLimits& limits) {
    if (!readDomainAndRange(dict)) return;
    if (!hasRange_) {
        reportError(-1, "Type 0 function is missing range");
        return;
    }
    if (!obj.isStream()) {
        reportError(-1, "Type 0 function isn't a stream");
        return;
    }
    if (!readSize(dict)) return;
    PdfObject bps = dict->lookup("BitsPerSample");
    // Widths beyond 32 bits cannot be held by the sample reader; 0 or less means nothing.
    if (!bps.isInt() || bps.getInt() < 1 || bps.getInt() > 32) {
        reportError(-1, "Function has missing or invalid BitsPerSample");
        return;
    }
    bits_ = bps.getInt();
    PdfObject encode = dict->lookup("Encode");
    if (encode.isArray() && encode.arrayLength() == 2 * m_) {
        if (!readFunctionIntervals(encode, encode_, m_)) {
            reportError(-1, "Illegal value in function encode array");
            return;
        }
    } else {
        for (int i = 0; i < m_; ++i) encode_[i] = {0, static_cast<double>(size_[i] - 1)};
    }
    PdfObject decode = dict->lookup("Decode");
    if (decode.isArray() && decode.arrayLength() == 2 * n_) {
        if (!readFunctionIntervals(decode, decode_, n_)) {
            reportError(-1, "Illegal value in function decode array");
            return;
        }
    } else {
        for (int j = 0; j < n_; ++j) decode_[j] = range_[j];
    }
    // The table size is checked before anything is allocated: Size comes from the file.
    size_t count = static_cast<size_t>(n_);
    for (int i = 0; i < m_; ++i) {
        stride_[i] = count;
        count *= static_cast<size_t>(size_[i]);
        if (count > limits.samplesLeft) {
            reportError(-1, "Sampled function has more than %zu samples", limits.samplesLeft);
            return;
        }
    }
    limits.samplesLeft -= count;
    if (!readSamples(obj.getStream(), count)) return;
    ok_ = true;
}

bool SampledFunction::readSize(PdfDict* dict) {
    PdfObject size = dict->lookup("Size");
    if (!size.isArray() || size.arrayLength() != m_) {
        reportError(-1, "Function has missing or invalid size array");
        return false;
    }
    for (int i = 0; i < m_; ++i) {
        PdfObject v = size.arrayGet(i);
        // A grid needs at least one point per input for the corner lookup to stay inside it.
        if (!v.isInt() || v.getInt() < 1) {
            reportError(-1, "Illegal value in function size array");
            return false;
        }
        size_[i] = v.getInt();
    }
    return true;
}

bool SampledFunction::readSamples(Stream* stream, size_t count) {
    samples_.assign(count, 0.0);
    const double scale = 1.0 / static_cast<double>((uint64_t{1} << bits_) - 1);
    stream->reset();
    SampleBitReader reader(stream);
    size_t i = 0;
    uint32_t value = 0;
    for (; i < count && reader.read(bits_, &value); ++i) samples_[i] = value * scale;
    stream->close();
    if (i < count) reportError(-1, "Sampled function data is too short (%zu of %zu samples)", i, count);
    return true;
}

std::unique_ptr<PdfFunction> SampledFunction::clone() const {
    return std::unique_ptr<PdfFunction>(new SampledFunction(*this));
}

void SampledFunction::transform(const double* in, double* out) const {
    size_t base = 0;
    size_t step[maxFunctionInputs];
    double frac[maxFunctionInputs];
    for (int i = 0; i < m_; ++i) {
        double x = mapInterval(in[i], domain_[i].min, domain_[i].max, encode_[i].min, encode_[i].max);
        x = clipTo(x, 0, size_[i] - 1);
        double e0 = std::floor(x);
        frac[i] = x - e0;
        base += static_cast<size_t>(e0) * stride_[i];
        step[i] = frac[i] > 0 ? stride_[i] : 0;
    }
    const double* s = samples_.data();
    const int corners = 1 << m_;
    for (int j = 0; j < n_; ++j) {
        double y;
        if (m_ == 1) {
            size_t at = base + static_cast<size_t>(j);
            y = (1 - frac[0]) * s[at] + frac[0] * s[at + step[0]];
        } else {
            double corner[1 << maxFunctionInputs];
            for (int c = 0; c < corners; ++c) {
                size_t at = base + static_cast<size_t>(j);
                for (int i = 0; i < m_; ++i)
                    if (c & (1 << i)) at += step[i];
                corner[c] = s[at];
            }
            for (int i = 0, live = corners; i < m_; ++i, live >>= 1)
                for (int k = 0; k < live / 2; ++k)
                    corner[k] = (1 - frac[i]) * corner[2 * k] + frac[i] * corner[2 * k + 1];
            y = corner[0];
        }
        out[j] = decode_[j].min + y * (decode_[j].max - decode_[j].min);
    }
    clipToRange(out, n_);
}

}  // namespace qm

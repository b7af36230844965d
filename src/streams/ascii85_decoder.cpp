#include "streams/ascii85_decoder.h"

#include <cstdint>

namespace qm {

void Ascii85Decoder::reset() {
    below_->reset();
    index_ = count_ = 0;
    eof_ = false;
}

// Line ends may split a group; every other character (spaces included) belongs to it.
int Ascii85Decoder::nextChar() {
    int c;
    do {
        c = below_->readByte();
    } while (c == '\r' || c == '\n');
    return c;
}

bool Ascii85Decoder::fill() {
    index_ = count_ = 0;
    if (eof_) return false;
    int c = nextChar();
    if (c == '~' || c < 0) {
        eof_ = true;
        return false;
    }
    if (c == 'z') {
        bytes_[0] = bytes_[1] = bytes_[2] = bytes_[3] = 0;
        count_ = 4;
        return true;
    }
    int chars[5] = {c, 'u', 'u', 'u', 'u'};
    int k = 1;
    while (k < 5) {
        c = nextChar();
        if (c == '~' || c < 0) {
            eof_ = true;
            break;
        }
        chars[k++] = c;
    }
    uint32_t value = 0;
    for (int i = 0; i < 5; ++i) value = value * 85u + static_cast<uint32_t>(chars[i] - 33);
    for (int i = 3; i >= 0; --i) {
        bytes_[i] = static_cast<unsigned char>(value);
        value >>= 8;
    }
    count_ = k - 1;
    return count_ > 0;
}

std::unique_ptr<PdfString> Ascii85Decoder::describeFilter(int indent) {
    return describeWith(indent, "/ASCII85Decode filter\n");
}

Stream* makeAscii85Decoder(Stream* below, const PdfDict*) { return new Ascii85Decoder(below); }

}  // namespace qm

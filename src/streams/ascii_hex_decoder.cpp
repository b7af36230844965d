#include "streams/ascii_hex_decoder.h"

#include <cctype>

#include "core/report_error.h"

namespace qm {

namespace {
int hexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

void AsciiHexDecoder::reset() {
    below_->reset();
    pending_ = -1;
    eof_ = false;
}

int AsciiHexDecoder::nextNonSpace() {
    int c;
    do {
        c = below_->readByte();
    } while (c >= 0 && std::isspace(c));
    return c;
}

int AsciiHexDecoder::decodeNext() {
    if (eof_) return -1;
    int c1 = nextNonSpace();
    // Data that simply stops between two digit pairs ends there: inventing a byte for the
    // missing ">" would add data the producer never wrote.
    if (c1 == '>' || c1 < 0) {
        eof_ = true;
        return -1;
    }
    int high = hexValue(c1);
    if (high < 0) {
        reportError(below_->position(), "Illegal character <%02x> in ASCIIHex stream", c1);
        high = 0;
    }
    int c2 = nextNonSpace();
    int low = hexValue(c2);
    if (c2 == '>' || c2 < 0) {
        eof_ = true;
        low = 0;
    } else if (low < 0) {
        reportError(below_->position(), "Illegal character <%02x> in ASCIIHex stream", c2);
        low = 0;
    }
    return high * 16 + low;
}

std::unique_ptr<PdfString> AsciiHexDecoder::describeFilter(int indent) {
    return describeWith(indent, "/ASCIIHexDecode filter\n");
}

Stream* makeAsciiHexDecoder(Stream* below, const PdfDict*) { return new AsciiHexDecoder(below); }

}  // namespace qm

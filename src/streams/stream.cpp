#include "streams/stream.h"

#include "core/pdf_dict.h"
#include "core/report_error.h"

namespace qm {

int Stream::getRawChar() {
    reportError(-1, "Internal: called getRawChar() on non-predictor stream");
    return -1;
}

int Stream::readBlock(unsigned char* buffer, int size) {
    int n = 0;
    while (n < size) {
        int c = readByte();
        if (c < 0) break;
        buffer[n++] = static_cast<unsigned char>(c);
    }
    return n;
}

char* Stream::readLine(char* buffer, int size) {
    if (size <= 0 || peekByte() < 0) return nullptr;
    int n = 0;
    while (n < size - 1) {
        int c = readByte();
        if (c < 0 || c == '\n') break;
        if (c == '\r') {
            if (peekByte() == '\n') readByte();
            break;
        }
        buffer[n++] = static_cast<char>(c);
    }
    buffer[n] = '\0';
    return buffer;
}

std::unique_ptr<PdfString> Stream::describeFilter(int) { return std::make_unique<PdfString>(); }

PdfDict* SourceStream::dictionary() { return dict_.isDict() ? dict_.getDict() : nullptr; }

}  // namespace qm

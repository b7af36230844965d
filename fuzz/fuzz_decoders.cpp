// Feeds arbitrary bytes to one stream decoder: the first byte picks the decoder, the next
// three its parameters (for JBIG2, the length of a globals stream that comes first), the
// rest is the encoded data. Output is read to the end or to a cap.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/pdf_dict.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"
#include "streams/filter_chain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    static const char* const kFilters[] = {"AHx", "A85", "LZW", "RL", "CCF", "DCT", "JBIG2Decode", "JPXDecode"};
    const int which = data[0] % 8;
    const char* filter = kFilters[which];
    const int a = data[1], b = data[2], c = data[3];
    qm::PdfObject params = qm::PdfObject::makeDict(nullptr);
    qm::PdfDict* d = params.getDict();
    size_t skip = 4;
    if (which == 2) {
        static const int kPredictors[] = {1, 2, 10, 11, 12, 13, 14, 15};
        d->add("Predictor", qm::PdfObject::makeInt(kPredictors[a % 8]));
        d->add("Columns", qm::PdfObject::makeInt(1 + b));
        d->add("Colors", qm::PdfObject::makeInt(1 + c % 4));
        d->add("BitsPerComponent", qm::PdfObject::makeInt(1 << (c / 4 % 5)));
        d->add("EarlyChange", qm::PdfObject::makeInt(a / 8 % 2));
    } else if (which == 6 && data[0] / 8 % 2 == 1 && size > 4 + static_cast<size_t>(a) * 4) {
        // The first a x 4 bytes are the globals stream, the rest the page.
        auto globals = std::make_shared<qm::SharedFile>();
        globals->data = qm::memoryFileData(std::string(reinterpret_cast<const char*>(data) + 4, static_cast<size_t>(a) * 4));
        d->add("JBIG2Globals", qm::PdfObject::makeStream(new qm::FileStream(globals, 0, -1, qm::PdfObject::makeNull())));
        skip += static_cast<size_t>(a) * 4;
    } else if (which == 4) {
        d->add("K", qm::PdfObject::makeInt(a % 3 - 1));
        d->add("Columns", qm::PdfObject::makeInt(1 + b * 8 + c % 8));
        d->add("Rows", qm::PdfObject::makeInt(c / 8));
        d->add("EndOfBlock", qm::PdfObject::makeBool((a / 3) % 2 == 0));
        d->add("EncodedByteAlign", qm::PdfObject::makeBool((a / 6) % 2 == 1));
        d->add("BlackIs1", qm::PdfObject::makeBool((a / 12) % 2 == 1));
    }
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(std::string(reinterpret_cast<const char*>(data) + skip, size - skip));
    qm::Stream* s = qm::makeFilter(new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull()), filter, params);
    s->reset();
    unsigned char buffer[4096];
    long total = 0;
    for (int n; total < (1L << 24) && (n = s->readBlock(buffer, sizeof buffer)) > 0;) total += n;
    s->reset();
    for (int i = 0; i < 1000 && s->readByte() >= 0; ++i) {
    }
    s->close();
    s->decRef();
    return 0;
}

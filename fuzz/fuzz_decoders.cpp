// Feeds arbitrary bytes to one stream decoder: the first byte picks the decoder, the next
// three its parameters, the rest is the encoded data. Output is read to the end or to a cap.
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
    static const char* const kFilters[] = {"AHx", "A85", "LZW", "RL", "CCF", "DCT"};
    const char* filter = kFilters[data[0] % 6];
    const int a = data[1], b = data[2], c = data[3];
    qm::PdfObject params = qm::PdfObject::makeDict(nullptr);
    qm::PdfDict* d = params.getDict();
    if (data[0] % 6 == 2) {
        static const int kPredictors[] = {1, 2, 10, 11, 12, 13, 14, 15};
        d->add("Predictor", qm::PdfObject::makeInt(kPredictors[a % 8]));
        d->add("Columns", qm::PdfObject::makeInt(1 + b));
        d->add("Colors", qm::PdfObject::makeInt(1 + c % 4));
        d->add("BitsPerComponent", qm::PdfObject::makeInt(1 << (c / 4 % 5)));
        d->add("EarlyChange", qm::PdfObject::makeInt(a / 8 % 2));
    } else if (data[0] % 6 == 4) {
        d->add("K", qm::PdfObject::makeInt(a % 3 - 1));
        d->add("Columns", qm::PdfObject::makeInt(1 + b * 8 + c % 8));
        d->add("Rows", qm::PdfObject::makeInt(c / 8));
        d->add("EndOfBlock", qm::PdfObject::makeBool((a / 3) % 2 == 0));
        d->add("EncodedByteAlign", qm::PdfObject::makeBool((a / 6) % 2 == 1));
        d->add("BlackIs1", qm::PdfObject::makeBool((a / 12) % 2 == 1));
    }
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(std::string(reinterpret_cast<const char*>(data) + 4, size - 4));
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

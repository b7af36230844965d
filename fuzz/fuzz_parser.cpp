// Feeds arbitrary bytes to the lexer and parser as a file read from its first byte, reading
// every object and every stream it finds to the end.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::memoryFileData(std::string(reinterpret_cast<const char*>(data), size));
    auto* base = new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull());
    qm::PdfParser parser(nullptr, std::make_unique<qm::PdfLexer>(nullptr, base));
    for (size_t n = 0; n <= size + 8; ++n) {
        qm::PdfObject obj = parser.readObject();
        if (obj.isEof()) break;
        if (obj.isStream()) {
            qm::Stream* s = obj.getStream();
            s->reset();
            while (s->readByte() >= 0) {
            }
            s->close();
        }
    }
    return 0;
}

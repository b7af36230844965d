// quillmark-objdump FILE: reads FILE from its first byte with a parser that has no
// cross-reference table and prints every top-level object, one per line.
#include <cstdio>
#include <memory>

#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillmark-objdump FILE\n");
        return 2;
    }
    auto file = std::make_shared<qm::SharedFile>();
    file->data = qm::openFileData(argv[1]);
    if (!file->data) {
        std::fprintf(stderr, "quillmark-objdump: cannot open %s\n", argv[1]);
        return 1;
    }
    auto* base = new qm::FileStream(file, 0, -1, qm::PdfObject::makeNull());
    qm::PdfParser parser(nullptr, std::make_unique<qm::PdfLexer>(nullptr, base));
    for (;;) {
        qm::PdfObject obj = parser.readObject();
        if (obj.isEof()) break;
        obj.dump(stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}

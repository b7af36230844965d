#pragma once
// Builds whole objects (arrays, dictionaries, references, streams) from lexer tokens with
// two tokens of look-ahead.
#include <memory>

#include "core/pdf_lexer.h"
#include "core/pdf_object.h"

namespace qm {

class ObjectCipher;
class ObjectResolver;

class PdfParser {
public:
    // Takes over the lexer; `xref` may be null (trailers, tools without a table).
    PdfParser(ObjectResolver* xref, std::unique_ptr<PdfLexer> lexer);
    PdfParser(const PdfParser&) = delete;
    PdfParser& operator=(const PdfParser&) = delete;

    // The next object. With a cipher, strings are decrypted and streams get a decryptor
    // keyed for (objectNumber, generation).
    PdfObject readObject(const ObjectCipher* cipher = nullptr, int objectNumber = 0, int generation = 0);
    PdfLexer* lexer() { return lexer_.get(); }

private:
    PdfObject readObjectAt(const ObjectCipher* cipher, int num, int gen, int depth);
    PdfObject makeStream(PdfObject dict, const ObjectCipher* cipher, int num, int gen);
    void shift();

    ObjectResolver* xref_;
    std::unique_ptr<PdfLexer> lexer_;
    PdfObject first_;
    PdfObject second_;
    int inlineImage_ = 0;
};

}  // namespace qm

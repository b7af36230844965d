#pragma once
// Objects for graphics tests, parsed from PDF text in memory.
#include <memory>
#include <string>

#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "support/pdf_builder.h"

namespace qm::test {

// One direct object parsed from `text` (no table: references stay unresolved).
inline PdfObject parseObject(const std::string& text, ObjectResolver* xref = nullptr) {
    PdfParser parser(xref, std::make_unique<PdfLexer>(xref, memoryStream(text)));
    return parser.readObject();
}

// An unfiltered stream object with `dictEntries` and exactly the bytes `data`.
inline PdfObject streamObject(const std::string& dictEntries, const std::string& data) {
    return parseObject("<< " + dictEntries + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
                       "\nendstream\n");
}

}  // namespace qm::test

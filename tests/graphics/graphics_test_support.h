#pragma once
// Objects for graphics tests, parsed from PDF text in memory.
#include <memory>
#include <string>
#include <vector>

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

// The objects of a one-page run: 1 is the resource dictionary, 2 the content stream, and
// `extra` follow from number 3 ("stream:ENTRIES|DATA" makes a stream, anything else is an
// object as written).
inline std::unique_ptr<TestResolver> pageObjects(const std::string& content, const std::string& resources,
                                                 const std::vector<std::string>& extra) {
    PdfBuilder b;
    b.object(resources);
    b.stream("", content);
    for (const auto& e : extra) {
        if (e.rfind("stream:", 0) == 0) {
            size_t bar = e.find('|');
            b.stream(e.substr(7, bar - 7), e.substr(bar + 1));
        } else {
            b.object(e);
        }
    }
    auto xref = std::make_unique<TestResolver>(b.bytes());
    xref->addAll(b, b.nextNumber());
    return xref;
}

}  // namespace qm::test

#include "document/document_title.h"

#include "core/pdf_object.h"
#include "core/pdf_string.h"
#include "core/text_string.h"
#include "core/xref_table.h"
#include "document/pdf_document.h"
#include "platform/system/code_page.h"

namespace qm {

std::string titleText(const PdfString& raw) {
    const std::u16string units = utf8ToUtf16(
        textStringToUtf8(std::string_view(reinterpret_cast<const char*>(raw.bytes()), raw.length() > 0 ? raw.length() : 0)));
    std::u16string clean;
    for (char16_t c : units) {
        const bool blank = c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029;
        if (blank || c == u' ') {
            if (!clean.empty() && clean.back() != u' ') clean.push_back(u' ');
        } else {
            clean.push_back(c);
        }
    }
    while (!clean.empty() && clean.back() == u' ') clean.pop_back();
    std::string text = utf16ToUtf8(clean);
    cutUtf8(text, kMaxTitleBytes);
    return text;
}

std::string documentTitle(const PdfDocument& document) {
    if (!document.isOk() || document.xref() == nullptr) return {};
    PdfObject info = document.xref()->trailer().dictLookup("Info");
    if (!info.isDict()) return {};
    PdfObject title = info.dictLookup("Title");
    if (!title.isString() || title.getString() == nullptr) return {};
    return titleText(*title.getString());
}

}  // namespace qm

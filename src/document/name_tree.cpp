#include "document/name_tree.h"

#include <algorithm>
#include <cstring>

#include "core/pdf_string.h"
#include "core/report_error.h"

namespace qm {

namespace {

// Real trees are a few levels deep; a Kids chain deeper than this loops back on itself.
constexpr int kMaxDepth = 64;

// Keys compare as C strings of unsigned bytes: whatever follows a NUL does not count.
int compareKeys(const PdfString& a, const PdfString& b) {
    size_t la = ::strnlen(a.text(), static_cast<size_t>(a.length()));
    size_t lb = ::strnlen(b.text(), static_cast<size_t>(b.length()));
    int c = std::memcmp(a.text(), b.text(), std::min(la, lb));
    if (c != 0) return c;
    return la < lb ? -1 : (la > lb ? 1 : 0);
}

PdfObject lookup(const PdfObject& node, const PdfString& name, int depth) {
    PdfObject names = node.dictLookup("Names");
    if (names.isArray()) {
        for (int i = 0; i + 1 < names.arrayLength(); i += 2) {
            PdfObject key = names.arrayGet(i);
            if (!key.isString()) continue;
            int c = compareKeys(name, *key.getString());
            if (c == 0) return names.arrayGet(i + 1);
            if (c < 0) break;
        }
        return PdfObject::makeNull();
    }
    PdfObject kids = node.dictLookup("Kids");
    if (!kids.isArray()) return PdfObject::makeNull();
    if (depth >= kMaxDepth) {
        reportError(-1, "Name tree too deep; lookup stopped");
        return PdfObject::makeNull();
    }
    for (int i = 0; i < kids.arrayLength(); ++i) {
        PdfObject kid = kids.arrayGet(i);
        if (!kid.isDict()) continue;
        PdfObject limits = kid.dictLookup("Limits");
        if (!limits.isArray()) continue;
        PdfObject low = limits.arrayGet(0), high = limits.arrayGet(1);
        if (!low.isString() || !high.isString()) continue;
        if (compareKeys(name, *low.getString()) >= 0 && compareKeys(name, *high.getString()) <= 0) {
            return lookup(kid, name, depth + 1);
        }
    }
    return PdfObject::makeNull();
}

}  // namespace

PdfObject lookupNameTree(const PdfObject& node, const PdfString& name) {
    if (!node.isDict()) return PdfObject::makeNull();
    return lookup(node, name, 0);
}

}  // namespace qm

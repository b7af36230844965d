#include <cstring>

#include "core/memory.h"
#include "core/object_resolver.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"

namespace qm {

namespace {
// Containers grow by eight slots at a time while small; past 64 slots they grow by half
// their size so that a hostile array of a million elements costs linear, not quadratic, time.
template <class V>
void growByEight(V& v) {
    if (v.size() != v.capacity()) return;
    size_t cap = v.capacity();
    size_t step = cap < 64 ? 8 : (cap / 2 + 7) / 8 * 8;
    v.reserve(cap + step);
}
}  // namespace

void PdfArray::append(PdfObject obj) {
    growByEight(elems_);
    elems_.push_back(std::move(obj));
}

PdfObject PdfArray::get(int i) const {
    if (i < 0 || i >= length()) return PdfObject::makeNull();
    return elems_[static_cast<size_t>(i)].resolve(xref_);
}

PdfObject PdfArray::getRaw(int i) const {
    if (i < 0 || i >= length()) return PdfObject::makeNull();
    return elems_[static_cast<size_t>(i)];
}

PdfDict::~PdfDict() {
    for (auto& e : entries_) memFree(e.key);
}

void PdfDict::add(const char* key, PdfObject value) {
    growByEight(entries_);
    entries_.push_back(Entry{memStrdup(key), std::move(value)});
}

void PdfDict::set(const char* key, PdfObject value) {
    for (auto& e : entries_) {
        if (std::strcmp(e.key, key) == 0) {
            e.value = std::move(value);
            return;
        }
    }
    add(key, std::move(value));
}

const PdfObject* PdfDict::find(const char* key) const {
    for (const auto& e : entries_)
        if (std::strcmp(e.key, key) == 0) return &e.value;
    return nullptr;
}

PdfObject PdfDict::lookup(const char* key) const {
    const PdfObject* v = find(key);
    return v ? v->resolve(xref_) : PdfObject::makeNull();
}

PdfObject PdfDict::lookupRaw(const char* key) const {
    const PdfObject* v = find(key);
    return v ? *v : PdfObject::makeNull();
}

bool PdfDict::hasType(const char* name) const {
    const PdfObject* v = find("Type");
    return v && v->isName(name);
}

}  // namespace qm

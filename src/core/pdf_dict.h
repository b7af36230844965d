#pragma once
// Shared dictionary: entries keep insertion order, keys are not unique by construction
// and every lookup answers with the first matching entry.
#include <string>
#include <vector>

#include "core/pdf_object.h"

namespace qm {

class PdfDict {
public:
    explicit PdfDict(ObjectResolver* xref) : xref_(xref) {}
    PdfDict(const PdfDict&) = delete;
    PdfDict& operator=(const PdfDict&) = delete;
    ~PdfDict();

    int length() const { return static_cast<int>(entries_.size()); }
    int capacity() const { return static_cast<int>(entries_.capacity()); }
    // Takes a copy of the key text and the value.
    void add(const char* key, PdfObject value);
    // Replaces the first entry with this key, or adds one.
    void set(const char* key, PdfObject value);
    PdfObject lookup(const char* key) const;
    PdfObject lookupRaw(const char* key) const;
    // Borrowed pointer to the stored value of the first entry with this key, or null.
    const PdfObject* find(const char* key) const;
    bool hasType(const char* name) const;
    const char* keyAt(int i) const { return entries_[static_cast<size_t>(i)].key; }
    PdfObject valueAt(int i) const { return entries_[static_cast<size_t>(i)].value; }
    const PdfObject& valueRefAt(int i) const { return entries_[static_cast<size_t>(i)].value; }
    ObjectResolver* xref() const { return xref_; }

    int refCount = 1;

private:
    struct Entry {
        char* key;
        PdfObject value;
    };
    ObjectResolver* xref_;
    std::vector<Entry> entries_;
};

}  // namespace qm

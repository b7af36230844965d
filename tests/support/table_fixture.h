#pragma once
// A cross-reference table over bytes in memory, with the base stream it reads kept alive
// beside it.
#include <memory>
#include <string>

#include "core/xref_table.h"
#include "streams/file_stream.h"
#include "support/pdf_builder.h"

namespace qm::test {

struct Table {
    explicit Table(const std::string& bytes, long start = 0)
        : base(new FileStream(sharedMemoryFile(bytes), start, -1, PdfObject::makeNull())),
          xref(std::make_unique<XrefTable>(base, nullptr, nullptr)) {}
    ~Table() {
        xref.reset();
        base->decRef();
    }
    XrefTable* operator->() { return xref.get(); }
    FileStream* base;
    std::unique_ptr<XrefTable> xref;
};

}  // namespace qm::test

// Opens arbitrary bytes as a document and walks what the converter reads of every page: the
// links with their named destinations, the drawn annotations, and the outline file.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/xref_table.h"
#include "document/link_action.h"
#include "document/page_annotation.h"
#include "document/page_link.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "platform/system/data_dir.h"
#include "streams/file_data.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Outline files go to a folder of this run, not the user's cache.
    std::string cache = qm::tempDirectory() + "/qm-fuzz-cache-" + std::to_string(::getpid());
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    qm::PdfDocument doc(qm::memoryFileData(bytes), qm::PdfString("fuzz.pdf"), nullptr, nullptr);
    if (!doc.isOk()) return 0;
    qm::PdfCatalog* catalog = doc.catalog();
    for (int n = 1; n <= doc.pageCount(); ++n) {
        qm::PdfPage* page = catalog->page(n);
        qm::PdfObject annots = page->annots().resolve(doc.xref());
        qm::PageLinkList links(annots, catalog->baseUri());
        for (int i = 0; i < links.count(); ++i) {
            const qm::LinkAction* action = links.link(i).action();
            if (action->kind() != qm::LinkActionKind::GoTo) continue;
            const auto* go = static_cast<const qm::LinkGoTo*>(action);
            if (go->namedDest()) catalog->findDest(*go->namedDest());
        }
        qm::AnnotationList annotations(doc.xref(), annots);
        for (int i = 0; i < annotations.count(); ++i) {
            const qm::PdfObject& ap = annotations.annotation(i).appearance();
            doc.xref()->fetch(ap.getRefNum(), ap.getRefGen());
        }
    }
    char path[260];
    if (catalog->writeOutlines(path, static_cast<int>(sizeof path))) ::unlink(path);
    return 0;
}

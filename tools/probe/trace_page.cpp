#include "trace_page.h"

#include <cstdio>

#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "graphics/content_interpreter.h"
#include "render/null_device.h"

int tracePage(qm::PdfDocument& doc, int number) {
    if (number < 1 || number > doc.pageCount()) {
        std::fprintf(stderr, "quillmark-inspect: no page %d (the document has %d)\n", number, doc.pageCount());
        return 1;
    }
    const qm::PdfPage* page = doc.catalog()->page(number);
    const qm::PdfRect& box = page->pageBox();
    const qm::PdfRect& crop = page->cropBox();
    qm::NullDevice device;
    {
        qm::ContentInterpreter interp(doc.xref(), &device, number, page->resources(), 72,
                                      qm::PageBox{box.x1, box.y1, box.x2, box.y2}, page->cropLimitsDrawing(),
                                      qm::PageBox{crop.x1, crop.y1, crop.x2, crop.y2}, page->rotate(), true);
        qm::PdfObject contents = page->contents().resolve(doc.xref());
        if (!contents.isNull()) interp.run(contents);
    }
    std::fflush(stdout);
    return 0;
}

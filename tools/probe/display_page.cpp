#include "display_page.h"

#include <cstdio>

#include "document/page_link.h"
#include "document/pdf_document.h"
#include "render/null_device.h"

int displayPageTraced(qm::PdfDocument& doc, int number) {
    if (number < 1 || number > doc.pageCount()) {
        std::fprintf(stderr, "quillmark-inspect: no page %d (the document has %d)\n", number, doc.pageCount());
        return 1;
    }
    qm::NullDevice device;
    doc.displayPage(&device, number, 72, 0, true);
    std::printf("***** links: %d\n", doc.links() ? doc.links()->count() : 0);
    std::fflush(stdout);
    return 0;
}

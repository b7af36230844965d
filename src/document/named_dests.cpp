#include <memory>

#include "core/report_error.h"
#include "document/link_dest.h"
#include "document/name_tree.h"
#include "document/pdf_catalog.h"

namespace qm {

std::unique_ptr<LinkDest> PdfCatalog::findDest(const PdfString& name) const {
    PdfObject value = PdfObject::makeNull();
    if (dests_.isDict()) value = dests_.dictLookup(name.text());
    if (value.isNull() && nameTreeDests_.isDict()) value = lookupNameTree(nameTreeDests_, name);
    if (value.isNull()) return nullptr;

    if (value.isDict()) value = value.dictLookup("D");
    if (!value.isArray()) {
        reportError(-1, "Bad named destination value");
        return nullptr;
    }
    auto dest = std::make_unique<LinkDest>(value, true);
    if (!dest->isOk()) return nullptr;
    return dest;
}

}  // namespace qm

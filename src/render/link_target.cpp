#include "render/link_target.h"

#include "core/text_string.h"
#include "document/link_action.h"
#include "document/link_dest.h"
#include "document/pdf_catalog.h"

namespace qm {

namespace {
// A target marked as UTF-16 would otherwise be cut at its first zero byte by every reader.
std::string text(const PdfString* s) {
    return s ? markedTextToUtf8(std::string_view(s->text(), static_cast<size_t>(s->length()))) : std::string();
}
}  // namespace

std::string linkTargetText(const LinkAction* action, const PdfCatalog& catalog) {
    if (!action) return {};
    switch (action->kind()) {
        case LinkActionKind::GoTo: {
            auto* a = static_cast<const LinkGoTo*>(action);
            std::unique_ptr<LinkDest> named;
            const LinkDest* dest = a->dest();
            if (!dest && a->namedDest()) {
                named = catalog.findDest(*a->namedDest());
                dest = named.get();
            }
            if (!dest) return {};
            const int page = dest->pageIsRef() ? catalog.findPage(dest->pageRef().num, dest->pageRef().gen)
                                               : dest->pageNumber();
            // A destination on no page of this document would make a link to nowhere.
            if (page < 1 || page > catalog.pageCount()) return {};
            return "actionGoTo:" + std::to_string(page);
        }
        case LinkActionKind::GoToR: {
            auto* a = static_cast<const LinkGoToR*>(action);
            if (!a->fileName()) return {};
            const bool hasDest = a->dest() || a->namedDest();
            return (hasDest ? "actionGoToR:" : "") + text(a->fileName());
        }
        case LinkActionKind::Launch: {
            auto* a = static_cast<const LinkLaunch*>(action);
            return a->fileName() ? "actionLaunch:" + text(a->fileName()) : std::string();
        }
        case LinkActionKind::Uri: {
            auto* a = static_cast<const LinkUri*>(action);
            return a->uri() ? "actionURI:" + text(a->uri()) : std::string();
        }
        default:
            return {};
    }
}

}  // namespace qm

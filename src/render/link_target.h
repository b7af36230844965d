#pragma once
// The text naming where a link leads, as link records and image maps carry it:
// "actionGoTo:N", "actionGoToR:FILE" (or the bare file name without a destination),
// "actionLaunch:FILE", "actionURI:URI". Empty when the link leads nowhere usable.
#include <string>

namespace qm {

class LinkAction;
class PdfCatalog;

std::string linkTargetText(const LinkAction* action, const PdfCatalog& catalog);

}  // namespace qm

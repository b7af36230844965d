#include "document/link_action.h"

#include "core/report_error.h"

namespace qm {

namespace {

// Shared by GoTo and GoToR: a name or string names the destination, an array is one.
void readDestination(const PdfObject& d, bool pageIsRef, std::unique_ptr<LinkDest>* dest,
                     std::optional<PdfString>* named) {
    if (d.isName()) {
        *named = PdfString(d.getName());
    } else if (d.isString()) {
        *named = *d.getString();
    } else if (d.isArray()) {
        auto parsed = std::make_unique<LinkDest>(d, pageIsRef);
        if (parsed->isOk()) *dest = std::move(parsed);
    } else {
        reportError(-1, "Illegal annotation destination");
    }
}

}  // namespace

LinkGoTo::LinkGoTo(const PdfObject& d) { readDestination(d, true, &dest_, &namedDest_); }

LinkGoToR::LinkGoToR(const PdfObject& f, const PdfObject& d) {
    fileName_ = parseFileTarget(f);
    readDestination(d, false, &dest_, &namedDest_);
}

LinkLaunch::LinkLaunch(const PdfObject& action) {
    if (!action.isDict()) return;
    PdfObject f = action.dictLookup("F");
    if (!f.isNull()) {
        fileName_ = parseFileTarget(f);
        return;
    }
    PdfObject unixEntry = action.dictLookup("Unix");
    if (unixEntry.isDict()) {
        fileName_ = parseFileTarget(unixEntry.dictLookup("F"));
        PdfObject p = unixEntry.dictLookup("P");
        if (p.isString()) parameters_ = *p.getString();
        return;
    }
    reportError(-1, "Bad launch-type link action");
}

LinkUri::LinkUri(const PdfObject& uri, const PdfString* baseUri) {
    if (!uri.isString()) {
        reportError(-1, "Illegal URI-type link");
        return;
    }
    uri_ = resolveUri(*uri.getString(), baseUri);
}

LinkNamed::LinkNamed(const PdfObject& name) {
    if (name.isName()) name_ = PdfString(name.getName());
}

LinkUnknown::LinkUnknown(const char* actionType) {
    if (actionType) actionType_ = PdfString(actionType);
}

std::optional<PdfString> parseFileTarget(const PdfObject& target) {
    if (target.isString()) return *target.getString();
    if (target.isDict()) {
        PdfObject unixEntry = target.dictLookup("Unix");
        if (unixEntry.isString()) return *unixEntry.getString();
        PdfObject f = target.dictLookup("F");
        if (f.isString()) return *f.getString();
    }
    reportError(-1, "Illegal file reference in link");
    return std::nullopt;
}

PdfString resolveUri(const PdfString& uri, const PdfString* base) {
    if (!base) return uri;
    std::string_view u = uri.view();
    size_t sep = u.find_first_of("/:");
    if (sep != std::string_view::npos && u[sep] == ':') return uri;
    PdfString result(*base);
    std::string_view b = base->view();
    bool baseEndsInSeparator = !b.empty() && (b.back() == '/' || b.back() == '?');
    if (baseEndsInSeparator) {
        if (!u.empty() && u.front() == '/') u.remove_prefix(1);
    } else if (u.empty() || u.front() != '/') {
        result.append('/');
    }
    result.append(u.data(), static_cast<int>(u.size()));
    return result;
}

}  // namespace qm

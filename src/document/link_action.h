#pragma once
// What a link or an outline item does when followed: go to a page, open another document,
// launch a file, open a URI or run a named viewer action.
#include <memory>
#include <optional>

#include "core/pdf_object.h"
#include "core/pdf_string.h"
#include "document/link_dest.h"

namespace qm {

// The numbers are what the renderer switches on when it builds link targets.
enum class LinkActionKind : int { GoTo = 0, GoToR = 1, Launch = 2, Uri = 3, Named = 4, Other = 5 };

class LinkAction {
public:
    virtual ~LinkAction() = default;
    virtual LinkActionKind kind() const = 0;
    virtual bool isOk() const = 0;
};

class LinkGoTo : public LinkAction {
public:
    // `d` is a name or string (a named destination, looked up later) or a destination array
    // whose page is a reference.
    explicit LinkGoTo(const PdfObject& d);
    LinkActionKind kind() const override { return LinkActionKind::GoTo; }
    bool isOk() const override { return dest_ || namedDest_; }
    // Null when the destination is named (or was unusable).
    const LinkDest* dest() const { return dest_.get(); }
    const PdfString* namedDest() const { return namedDest_ ? &*namedDest_ : nullptr; }

private:
    std::unique_ptr<LinkDest> dest_;
    std::optional<PdfString> namedDest_;
};

class LinkGoToR : public LinkAction {
public:
    // `f` names the target file; a destination array names its page by number.
    LinkGoToR(const PdfObject& f, const PdfObject& d);
    LinkActionKind kind() const override { return LinkActionKind::GoToR; }
    bool isOk() const override { return fileName_ && (dest_ || namedDest_); }
    const PdfString* fileName() const { return fileName_ ? &*fileName_ : nullptr; }
    const LinkDest* dest() const { return dest_.get(); }
    const PdfString* namedDest() const { return namedDest_ ? &*namedDest_ : nullptr; }

private:
    std::optional<PdfString> fileName_;
    std::unique_ptr<LinkDest> dest_;
    std::optional<PdfString> namedDest_;
};

class LinkLaunch : public LinkAction {
public:
    // `action` is the whole action dictionary (F, or a Unix dictionary with F and P).
    explicit LinkLaunch(const PdfObject& action);
    LinkActionKind kind() const override { return LinkActionKind::Launch; }
    bool isOk() const override { return fileName_.has_value(); }
    const PdfString* fileName() const { return fileName_ ? &*fileName_ : nullptr; }
    const PdfString* parameters() const { return parameters_ ? &*parameters_ : nullptr; }

private:
    std::optional<PdfString> fileName_;
    std::optional<PdfString> parameters_;
};

class LinkUri : public LinkAction {
public:
    // `baseUri` (may be null) is the document's base for relative URIs.
    LinkUri(const PdfObject& uri, const PdfString* baseUri);
    LinkActionKind kind() const override { return LinkActionKind::Uri; }
    bool isOk() const override { return uri_.has_value(); }
    const PdfString* uri() const { return uri_ ? &*uri_ : nullptr; }

private:
    std::optional<PdfString> uri_;
};

class LinkNamed : public LinkAction {
public:
    explicit LinkNamed(const PdfObject& name);
    LinkActionKind kind() const override { return LinkActionKind::Named; }
    bool isOk() const override { return name_.has_value(); }
    const PdfString* name() const { return name_ ? &*name_ : nullptr; }

private:
    std::optional<PdfString> name_;
};

// Any other action type; only its S name is kept.
class LinkUnknown : public LinkAction {
public:
    explicit LinkUnknown(const char* actionType);
    LinkActionKind kind() const override { return LinkActionKind::Other; }
    bool isOk() const override { return actionType_.has_value(); }
    const PdfString* actionType() const { return actionType_ ? &*actionType_ : nullptr; }

private:
    std::optional<PdfString> actionType_;
};

// The file a link target names: a string, or a dictionary's Unix entry before its F;
// none for anything else.
std::optional<PdfString> parseFileTarget(const PdfObject& target);
// `uri` made absolute against `base` when it is relative (no scheme before its first '/').
PdfString resolveUri(const PdfString& uri, const PdfString* base);

}  // namespace qm

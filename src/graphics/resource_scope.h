#pragma once
// One level of the resource chain of a page or form: its fonts and the dictionaries of its
// other resource kinds. Lookups walk from the innermost scope outwards.
#include <memory>

#include "core/pdf_object.h"
#include "fonts/document_font_cache.h"

namespace qm {

class FontResourceSet;
class ObjectResolver;
class PdfDict;
class PdfFont;

class ResourceScope {
public:
    // `resources` may be null: every lookup in this scope then fails. Fonts come from `fonts`
    // when given; `budget` is asked before each font that has to be built.
    ResourceScope(ObjectResolver* xref, PdfDict* resources, std::unique_ptr<ResourceScope> next,
                  DocumentFontCache* fonts = nullptr, const FontBuildBudget& budget = {});
    ~ResourceScope();
    ResourceScope(const ResourceScope&) = delete;
    ResourceScope& operator=(const ResourceScope&) = delete;

    // Gives the enclosing scope back when this one is popped.
    std::unique_ptr<ResourceScope> takeNext() { return std::move(next_); }

    PdfFont* lookupFont(const char* name) const;
    // Resolved value; null when no scope has it.
    PdfObject lookupXObject(const char* name) const;
    PdfObject lookupXObjectRaw(const char* name) const;
    PdfObject lookupColorSpace(const char* name) const;
    PdfObject lookupPattern(const char* name) const;
    PdfObject lookupShading(const char* name) const;
    PdfObject lookupExtGState(const char* name) const;

private:
    PdfObject lookupIn(PdfObject ResourceScope::*which, const char* name, bool resolve) const;

    std::unique_ptr<FontResourceSet> fonts_;
    PdfObject xObjects_;
    PdfObject colorSpaces_;
    PdfObject patterns_;
    PdfObject shadings_;
    PdfObject extGStates_;
    std::unique_ptr<ResourceScope> next_;
};

}  // namespace qm

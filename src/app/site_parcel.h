#pragma once
// A site page drawn apart from the joining of the site: recorded with what its characters
// asked of the document's web fonts, its pictures painted under the page's name in the
// staging folder, and its text packed for the process that joins the site's pages in page
// order (or, drawn by that process itself, handed over as it is).
#include <string>

#include "app/page_render.h"
#include "convert/page_parcel.h"
#include "render/web_font_journal.h"

struct PdfHandle;

namespace qm {

class SiteParcels {
public:
    // Notes the characters of every page `handle` records from now on; the handle must stay
    // open while this lives.
    explicit SiteParcels(PdfHandle* handle);
    ~SiteParcels();
    SiteParcels(const SiteParcels&) = delete;
    SiteParcels& operator=(const SiteParcels&) = delete;

    enum class Result { made, failed, unjoinable };
    // Page `page`: its pictures written and `parcel` filled; `error` says why not.
    Result make(int page, const PageTarget& target, std::string& parcel, std::string& error);
    // The same page for the joining process itself, unpacked.
    Result record(int page, const PageTarget& target, PageParcel& parcel, std::string& error);

private:
    Result draw(int page, const PageTarget& target, PageObjectPtr& object, HtmlLinkListPtr& links, std::string& error);

    PdfHandle* handle_;
    WebFontJournal journal_;
};

}  // namespace qm

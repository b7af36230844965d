#include "app/site_parcel.h"

#include <memory>

#include "app/worker.h"
#include "convert/document_open.h"
#include "convert/html_conversion.h"
#include "convert/page_parcel.h"
#include "convert/settings.h"
#include "quillmark.h"

namespace qm {

SiteParcels::SiteParcels(PdfHandle* handle) : handle_(handle) { setWebFontJournal(handle_, &journal_); }

SiteParcels::~SiteParcels() { setWebFontJournal(handle_, nullptr); }

SiteParcels::Result SiteParcels::make(int page, const PageTarget& target, std::string& parcel, std::string& error) {
    journal_.clearPage();
    std::unique_ptr<PageObject, void (*)(PageObject*)> object(PDF_GetPageObject(handle_, page), PDF_DestroyPageObject);
    if (!object) {
        error = "Couldn't draw page " + std::to_string(page);
        return Result::failed;
    }
    std::unique_ptr<HtmlLinkList, void (*)(HtmlLinkList*)> links(
        Settings::readFlag(Setting::enableLinks) ? PDF_GetPageHtmLink(handle_, page) : nullptr, PDF_DestroyHtmLink);
    if (!paintPagePictures(*object, pageFilePath(target.path, target.first, page), htmlWriterState())) {
        error = lastConversionError();
        return Result::failed;
    }
    std::optional<std::string> packed = packPage(*object, links.get(), journal_);
    journal_.clearPage();
    if (!packed || journal_.nearLimits()) return Result::unjoinable;
    parcel = std::move(*packed);
    return Result::made;
}

}  // namespace qm

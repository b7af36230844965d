#include "app/site_parcel.h"

#include <memory>

#include "app/worker.h"
#include "convert/document_open.h"
#include "convert/html_conversion.h"
#include "convert/settings.h"
#include "quillmark.h"

namespace qm {

SiteParcels::SiteParcels(PdfHandle* handle) : handle_(handle) { setWebFontJournal(handle_, &journal_); }

SiteParcels::~SiteParcels() { setWebFontJournal(handle_, nullptr); }

SiteParcels::Result SiteParcels::draw(int page, const PageTarget& target, PageObjectPtr& object, HtmlLinkListPtr& links,
                                      std::string& error) {
    journal_.clearPage();
    object.reset(PDF_GetPageObject(handle_, page));
    if (!object) {
        error = "Couldn't draw page " + std::to_string(page);
        return Result::failed;
    }
    links.reset(Settings::readFlag(Setting::enableLinks) ? PDF_GetPageHtmLink(handle_, page) : nullptr);
    if (!paintPagePictures(*object, pageFilePath(target.path, target.first, page), htmlWriterState())) {
        error = lastConversionError();
        return Result::failed;
    }
    return Result::made;
}

SiteParcels::Result SiteParcels::make(int page, const PageTarget& target, std::string& parcel, std::string& error) {
    PageObjectPtr object;
    HtmlLinkListPtr links;
    if (const Result drawn = draw(page, target, object, links, error); drawn != Result::made) return drawn;
    std::optional<std::string> packed = packPage(*object, links.get(), journal_);
    journal_.clearPage();
    if (!packed || journal_.nearLimits()) return Result::unjoinable;
    parcel = std::move(*packed);
    return Result::made;
}

SiteParcels::Result SiteParcels::record(int page, const PageTarget& target, PageParcel& parcel, std::string& error) {
    PageObjectPtr object;
    HtmlLinkListPtr links;
    if (const Result drawn = draw(page, target, object, links, error); drawn != Result::made) return drawn;
    std::optional<PageParcel> made = parcelOf(std::move(object), std::move(links), journal_);
    journal_.clearPage();
    if (!made || journal_.nearLimits()) return Result::unjoinable;
    parcel = std::move(*made);
    return Result::made;
}

}  // namespace qm

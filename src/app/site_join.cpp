#include "app/site_join.h"

#include "app/worker.h"
#include "convert/html_conversion.h"
#include "convert/page_parcel.h"

namespace qm {

SiteJoiner::SiteJoiner(std::string output, int first, int last)
    : output_(std::move(output)), first_(first), last_(last), next_(first) {}

bool SiteJoiner::take(int page, std::string parcel) {
    const size_t size = parcel.size();
    if (page < next_ || page > last_ || !waiting_.emplace(page, std::move(parcel)).second) {
        failure_ = "Page " + std::to_string(page) + " came back twice from the page processes";
        return false;
    }
    bytesWaiting_ += size;
    for (auto at = waiting_.find(next_); at != waiting_.end(); at = waiting_.find(next_)) {
        const std::string bytes = std::move(at->second);
        waiting_.erase(at);
        bytesWaiting_ -= bytes.size();
        if (!write(bytes)) return false;
        ++next_;
    }
    return true;
}

bool SiteJoiner::write(const std::string& bytes) {
    PageParcel parcel;
    if (!unpackPage(bytes, parcel) || parcel.page->pageNumber != next_) {
        failure_ = "A page process sent page " + std::to_string(next_) + " damaged";
        return false;
    }
    if (!book_.apply(parcel)) {
        joinable_ = false;
        return false;
    }
    pdfVersion_ = parcel.page->pdfVersion;
    if (!writePageText(*parcel.page, parcel.links.get(), pageFilePath(output_, first_, next_), htmlWriterState())) {
        failure_ = lastConversionError();
        return false;
    }
    return true;
}

}  // namespace qm

#include "app/site_join.h"

#include <algorithm>

#include "app/worker.h"
#include "convert/html_conversion.h"

namespace qm {

namespace {
// What a page recorded in this process holds in memory per text record while it waits (its
// record, text, face and placement), counted against the same limit as packed pages.
constexpr size_t kBytesPerRecord = 200;
}  // namespace

SiteJoiner::SiteJoiner(std::string output, int first, int last)
    : output_(std::move(output)), first_(first), last_(last), next_(first) {}

bool SiteJoiner::take(int page, std::string parcel) {
    Waiting waiting;
    waiting.size = parcel.size();
    waiting.bytes = std::move(parcel);
    return wait(page, std::move(waiting));
}

bool SiteJoiner::take(int page, PageParcel parcel) {
    Waiting waiting;
    waiting.size = kBytesPerRecord * static_cast<size_t>(parcel.page ? std::max(parcel.page->itemCount, 0) : 0);
    waiting.parcel = std::move(parcel);
    return wait(page, std::move(waiting));
}

bool SiteJoiner::wait(int page, Waiting waiting) {
    const size_t size = waiting.size;
    if (page < next_ || page > last_ || !waiting_.emplace(page, std::move(waiting)).second) {
        failure_ = "Page " + std::to_string(page) + " came back twice from the page processes";
        return false;
    }
    bytesWaiting_ += size;
    for (auto at = waiting_.find(next_); at != waiting_.end(); at = waiting_.find(next_)) {
        Waiting ready = std::move(at->second);
        waiting_.erase(at);
        bytesWaiting_ -= ready.size;
        if (!write(ready)) return false;
        ++next_;
    }
    return true;
}

bool SiteJoiner::write(Waiting& ready) {
    if (!ready.parcel) {
        ready.parcel.emplace();
        if (!unpackPage(ready.bytes, *ready.parcel)) ready.parcel->page.reset();
    }
    PageParcel& parcel = *ready.parcel;
    if (!parcel.page || parcel.page->pageNumber != next_) {
        failure_ = "A page process sent page " + std::to_string(next_) + " damaged";
        return false;
    }
    if (!book_.apply(parcel)) {
        joinable_ = false;
        return false;
    }
    pdfVersion_ = parcel.page->pdfVersion;
    if (!writePageText(*parcel.page, parcel.links.get(), pageFilePath(output_, first_, next_), htmlWriterState(),
                       &parcel.placements)) {
        failure_ = lastConversionError();
        return false;
    }
    return true;
}

}  // namespace qm

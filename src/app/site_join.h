#pragma once
// The converting process's side of a site shared among page processes: pages arrive in
// whatever order the processes finish them, and each is written (its HTML file and search
// index entry, with the web fonts one process would have given it) once every page before
// it has been. The web font files themselves are written when the whole file is done, as
// for a site written by one process.
#include <map>
#include <optional>
#include <string>

#include "app/page_split.h"
#include "convert/page_parcel.h"
#include "convert/web_font_book.h"

namespace qm {

class SiteJoiner : public PageReceiver {
public:
    // `output` is the staged index.htm the pages are named after; pages first..last.
    SiteJoiner(std::string output, int first, int last);

    bool take(int page, std::string parcel) override;
    // A page this process recorded itself.
    bool take(int page, PageParcel parcel);
    bool joinable() const override { return joinable_; }
    std::string failure() const override { return failure_; }
    // Pages run ahead of a slow one until their text fills kBytesWaiting.
    int dealLimit() const override { return bytesWaiting_ >= kBytesWaiting ? next_ : last_; }

    // The PDF version the document declares (0 before the first page is written).
    float pdfVersion() const { return pdfVersion_; }

    // The text of pages waiting for one before them (a page's text takes 200 to 800 KB).
    static constexpr size_t kBytesWaiting = size_t{64} << 20;

private:
    struct Waiting {
        std::string bytes;                // as a page process sent it
        std::optional<PageParcel> parcel;  // or unpacked
        size_t size = 0;                  // counted against kBytesWaiting
    };
    bool wait(int page, Waiting waiting);
    bool write(Waiting& ready);

    std::string output_;
    int first_, last_, next_;
    std::map<int, Waiting> waiting_;
    size_t bytesWaiting_ = 0;
    WebFontBook book_;
    bool joinable_ = true;
    std::string failure_;
    float pdfVersion_ = 0;
};

}  // namespace qm

#include "convert/site_page_extras.h"

#include "convert/page_thumbnail.h"
#include "convert/path_parts.h"
#include "convert/search_index.h"

namespace qm {

bool addPageToSite(const PageObject& page, Bitmap* background, const std::string& htmlPath, DeviceFontCache& fonts) {
    const int n = sitePageNumber(htmlPath);
    if (n < 1) return true;
    bool ok = appendSearchEntry(folderOf(htmlPath), n, pageSearchText(page));
    if (background != nullptr && background->isOk()) {
        ok = writePageThumbnail(*background, page, thumbnailPath(htmlPath), fonts) && ok;
    }
    return ok;
}

}  // namespace qm

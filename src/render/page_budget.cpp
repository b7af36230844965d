#include "render/page_budget.h"

#include "core/report_error.h"

namespace qm {

void PageBudget::start(int pageNumber) {
    page_ = pageNumber;
    pixels_ = points_ = glyphs_ = 0;
    spent_ = false;
}

bool PageBudget::take(long long& used, long long limit, long long n, const char* what) {
    if (spent_) return false;
    if (n < 0) n = 0;
    if (n <= limit - used) {
        used += n;
        return true;
    }
    spent_ = true;
    reportError(-1, "Page %d has more %s than a page may draw; it is drawn as far as it got", page_, what);
    return false;
}

}  // namespace qm

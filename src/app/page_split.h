#pragma once
// One document across several processes: the converting process plans the output and writes
// the site pages, while page processes (this program started again with a hidden first
// argument) each open the file read-only and write pages into the same staging folder, taking
// the next page as they finish one. The converting process draws pages too, between looking
// after the others, so that N processes asked for are N processes drawing. It commits once,
// after every page process has succeeded; any failure or stop ends all of them and the
// staging folder goes as usual. For a site, a page process paints the page's pictures and
// sends back the page's text, which the converting process joins into the site in page order
// (PageReceiver).
#include <functional>
#include <string>
#include <vector>

namespace qm {

struct PageSplitRequest {
    std::string source;  // the PDF file
    std::string target;  // where pages go, as PageTarget::path (the kind comes from the switches)
    int first = 1;       // the output's first page: page file names count from it
    int last = 1;
    int processes = 2;
    // Switches that make a page process convert as this one does (zoom, passwords, ...).
    std::vector<std::string> switches;
};

// Where a site's pages go: each page process sends the recorded text of a page it took, and
// the receiver joins them in page order.
class PageReceiver {
public:
    virtual ~PageReceiver() = default;
    // Page `page`'s parcel (as packPage made it). False ends every process: the receiver
    // could not write the page, or cannot join the pages as one process would (joinable()).
    virtual bool take(int page, std::string parcel) = 0;
    virtual bool joinable() const = 0;
    // Why the last take failed, when the pages are joinable.
    virtual std::string failure() const = 0;
    // The last page that may be handed out now, so that pages do not wait long for the one
    // before them.
    virtual int dealLimit() const = 0;
};

// Pages the converting process draws itself (with its own open document), between reading
// what the page processes send. A site page is handed to the receiver by the drawing itself.
enum class LocalPageResult { drawn, failed, unjoinable };
using LocalPages = std::function<LocalPageResult(int page, std::string& error)>;

// unjoinable: a page process or the receiver found that the site could come out otherwise
// than from one process; nothing of the attempt is to be kept.
enum class PageSplitOutcome { done, failed, stopped, unjoinable };

// Writes pages first..last in page processes. `pageDone(n)` is called with the number of
// pages finished so far, from whichever process finished one; `keepGoing` is asked between
// reports, and false stops every process. On failure `error` holds the first message. With
// `local`, this process is one of the request's processes and draws pages through it.
// `meanwhile` is work of this process's own that needs no page (a site's frame pages), done
// while the page processes start, before any page comes back; false fails the request with
// its message.
using SplitPreparation = std::function<bool(std::string& error)>;
PageSplitOutcome renderInProcesses(const PageSplitRequest& request, const std::function<void(int)>& pageDone,
                                   const std::function<bool()>& keepGoing, std::string& error,
                                   PageReceiver* receiver = nullptr, const LocalPages& local = nullptr,
                                   const SplitPreparation& meanwhile = nullptr);

// Page processes are let go once they have reported their last page, and end on their own;
// this waits until they have (the command line calls it before it ends, so that none
// outlives the run).
void waitForPageProcesses();

// The hidden argument that starts a page process.
inline constexpr const char* kPagePartArgument = "--page-part";

// The page process: argv[1] is kPagePartArgument, then SOURCE TARGET FIRST LAST and the run's
// switches. It reads page numbers (FIRST..LAST), one a line, from standard input until it
// closes, and reports "page N" for each page written on standard output, or "error MESSAGE"
// and status 1. Writing a site it reports "parcel N SIZE" and SIZE bytes instead of
// "page N", or "unjoinable N" and status 3 when its pages cannot be joined as one process's.
int runPagePart(int argc, const char* const* argv);

}  // namespace qm

#include "app/page_split.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "app/cli_main.h"
#include "app/page_claims.h"
#include "app/page_render.h"
#include "app/site_parcel.h"
#include "convert/document_open.h"
#include "convert/settings.h"
#include "platform/system/process.h"
#include "quillmark.h"

namespace qm {

namespace {

// How often a waiting converting process looks at its stop request.
constexpr int kStopCheckMilliseconds = 100;
// A report line longer than this is not one of ours.
constexpr size_t kLongestLine = 8192;
// Pages handed to a page process before it reports: one to draw and one waiting, so that it
// never idles while its report travels. While this process draws pages of its own it reads
// reports only between them, so a page process is given more to go on with.
constexpr int kPagesAhead = 2;
constexpr int kPagesAheadBesideLocal = 6;
// A page process's reports may wait this long in its pipe while this process draws a page:
// a site page's text takes 200 to 800 KB.
constexpr int kReportPipeBytes = 1 << 20;
constexpr size_t kReadBytes = size_t{1} << 18;

// A page's parcel larger than this is not one of ours.
constexpr uint64_t kLargestParcel = uint64_t{1} << 30;

struct PageProcess {
    PipedProcess pipes;
    std::string pending;    // a partial line of its reports
    std::string parcel;     // the parcel arriving, read straight into place
    size_t parcelHave = 0;  // of it so far
    bool reported = false;  // it said why it failed
    int waiting = 0;        // pages handed to it and not yet reported
    std::deque<int> dealt;  // those pages, in the order handed
    int begun = 0;          // the last of them it is known to have begun
    int parcelPage = 0;     // the parcel arriving: its page and size
    uint64_t parcelSize = 0;
};

// Pages are handed out one at a time as processes finish them: page costs differ too much
// (a title page full of drawings next to plain text) for fixed shares to come out even.
class PageDealer {
public:
    PageDealer(int first, int last, const PageReceiver* receiver) : next_(first), last_(last), receiver_(receiver) {}
    // Gives `process` its next page, or tells it there are no more. A page beyond what the
    // receiver lets out waits for a later deal.
    void deal(PageProcess& process) {
        if (process.pipes.input < 0) return;
        if (next_ > last_) {
            ::close(process.pipes.input);
            process.pipes.input = -1;
            return;
        }
        if (receiver_ != nullptr && next_ > receiver_->dealLimit()) return;
        ++process.waiting;
        process.dealt.push_back(next_);
        const std::string line = std::to_string(next_++) + "\n";
        if (::write(process.pipes.input, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            // It has gone; its exit status says why.
            ::close(process.pipes.input);
            process.pipes.input = -1;
        }
    }

    // Whether a page may be handed out now.
    bool ready() const { return next_ <= last_ && (receiver_ == nullptr || next_ <= receiver_->dealLimit()); }
    // The next page, for this process to draw itself.
    int take() { return next_++; }
    int left() const { return std::max(0, last_ - next_ + 1); }

private:
    int next_;
    int last_;
    const PageReceiver* receiver_;
};

int reap(int pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

// A write to a page process that has died fails with EPIPE instead of ending this process.
class IgnoreBrokenPipes {
public:
    IgnoreBrokenPipes() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, &previous_);
    }
    ~IgnoreBrokenPipes() { ::sigaction(SIGPIPE, &previous_, nullptr); }
    IgnoreBrokenPipes(const IgnoreBrokenPipes&) = delete;
    IgnoreBrokenPipes& operator=(const IgnoreBrokenPipes&) = delete;

private:
    struct sigaction previous_ {};
};

// Page processes let go after their last page and not yet ended.
struct LetGo {
    std::mutex lock;
    std::condition_variable ended;
    int running = 0;
};
LetGo& letGoProcesses() {
    static LetGo* processes = new LetGo;  // never destroyed: a waiting thread may outlive main
    return *processes;
}

// Tells page processes that there are no more pages and leaves them to end in their own
// time; a thread of their own waits for them so that none is left a zombie.
void letGo(std::vector<PageProcess>& running) {
    std::vector<int> pids;
    for (PageProcess& p : running) {
        if (p.pipes.input >= 0) ::close(p.pipes.input);
        ::close(p.pipes.fd);
        pids.push_back(p.pipes.pid);
    }
    running.clear();
    if (pids.empty()) return;
    LetGo& processes = letGoProcesses();
    {
        std::lock_guard<std::mutex> hold(processes.lock);
        processes.running += static_cast<int>(pids.size());
    }
    std::thread([&processes, pids = std::move(pids)] {
        for (int pid : pids) {
            reap(pid);
            std::lock_guard<std::mutex> hold(processes.lock);
            --processes.running;
            processes.ended.notify_all();
        }
    }).detach();
}

}  // namespace

void waitForPageProcesses() {
    LetGo& processes = letGoProcesses();
    std::unique_lock<std::mutex> hold(processes.lock);
    processes.ended.wait(hold, [&] { return processes.running == 0; });
}

PageSplitOutcome renderInProcesses(const PageSplitRequest& request, const std::function<void(int)>& pageDone,
                                   const std::function<bool()>& keepGoing, std::string& error,
                                   PageReceiver* receiver, const LocalPages& local,
                                   const SplitPreparation& meanwhile) {
    const IgnoreBrokenPipes quietPipes;
    const int pages = request.last - request.first + 1;
    // This process, when it draws, is one of the processes asked for.
    const int count = std::max(1, std::min(request.processes, pages)) - (local ? 1 : 0);
    const int ahead = local ? kPagesAheadBesideLocal : kPagesAhead;
    std::vector<PageProcess> running;
    PageDealer dealer(request.first, request.last, receiver);
    // Only a process that draws pages itself takes any back.
    PageClaims claims;
    if (local) claims.create(request.first, request.last);
    // Towards the end a page process holds no more than it needs to keep going: a page
    // waiting in its queue is one this process could have drawn instead of waiting for it,
    // unless this process can take it back.
    auto aheadNow = [&] { return local && !claims.active() && dealer.left() <= 2 * ahead ? kPagesAhead : ahead; };
    PageSplitOutcome outcome = PageSplitOutcome::done;
    auto fail = [&](std::string text) {
        if (outcome == PageSplitOutcome::done) {
            outcome = PageSplitOutcome::failed;
            error = std::move(text);
        }
    };
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> args{"vellumix",
                                      kPagePartArgument,
                                      request.source,
                                      request.target,
                                      std::to_string(request.first),
                                      std::to_string(request.last),
                                      claims.active() ? std::to_string(kInheritedDescriptor) : "-"};
        args.insert(args.end(), request.switches.begin(), request.switches.end());
        PageProcess process;
        if (!spawnThisProgram(std::move(args), STDOUT_FILENO, process.pipes, true, claims.fd())) {
            fail(std::string("Couldn't start a page process: ") + std::strerror(errno));
            break;
        }
        // Best effort: a smaller pipe only makes the page process wait for this one sooner.
        if (local) ::fcntl(process.pipes.fd, F_SETPIPE_SZ, kReportPipeBytes);
        ::fcntl(process.pipes.fd, F_SETFL, ::fcntl(process.pipes.fd, F_GETFL) | O_NONBLOCK);
        running.push_back(std::move(process));
    }
    int done = 0;
    bool ended = false;  // every process was told to stop
    auto endAll = [&] {
        if (ended) return;
        ended = true;
        for (PageProcess& p : running) {
            ::kill(p.pipes.pid, SIGTERM);
            if (p.pipes.input >= 0) ::close(p.pipes.input);
            p.pipes.input = -1;
        }
    };
    if (outcome != PageSplitOutcome::done) endAll();
    // Hands out pages to every process that has room, as far as the receiver lets them run.
    auto dealAll = [&] {
        for (PageProcess& q : running)
            while (outcome == PageSplitOutcome::done && q.pipes.input >= 0 && q.waiting < aheadNow()) {
                const int before = q.waiting;
                dealer.deal(q);
                if (q.waiting == before) break;
            }
    };
    dealAll();
    if (meanwhile && outcome == PageSplitOutcome::done) {
        std::string why;
        if (!meanwhile(why)) {
            fail(std::move(why));
            endAll();
        }
    }
    auto pageReported = [&](PageProcess& p) {
        ++done;
        p.waiting = std::max(0, p.waiting - 1);
        // It draws its pages in the order handed, but for those taken back.
        if (!p.dealt.empty()) p.dealt.pop_front();
        if (outcome != PageSplitOutcome::done) return;
        pageDone(done);
        dealAll();
    };
    auto line = [&](PageProcess& p, const std::string& text) {
        if (text.starts_with("page ")) {
            pageReported(p);
        } else if (text.starts_with("parcel ") && receiver != nullptr) {
            const size_t blank = text.find(' ', 7);
            const bool read = blank != std::string::npos &&
                              std::from_chars(text.data() + 7, text.data() + blank, p.parcelPage).ec == std::errc() &&
                              std::from_chars(text.data() + blank + 1, text.data() + text.size(), p.parcelSize).ec ==
                                  std::errc();
            if (!read || p.parcelPage < request.first || p.parcelPage > request.last || p.parcelSize > kLargestParcel) {
                p.parcelPage = 0;
                p.reported = true;
                fail("A page process sent what is not a page");
                endAll();
            }
        } else if (text.starts_with("unjoinable ")) {
            p.reported = true;
            if (outcome == PageSplitOutcome::done) outcome = PageSplitOutcome::unjoinable;
            endAll();
        } else if (text.starts_with("error ")) {
            p.reported = true;
            fail(text.substr(6));
            endAll();
        }
    };
    // Draws one page in this process. Every process meets its pages in the order of the
    // file: a site's web fonts are joined by asking again what each process asked, in order.
    int lastLocal = 0;
    auto drawPage = [&](int page) {
        lastLocal = page;
        std::string why;
        const LocalPageResult drawn = local(page, why);
        if (drawn == LocalPageResult::failed) {
            fail(std::move(why));
            endAll();
        } else if (drawn == LocalPageResult::unjoinable) {
            if (outcome == PageSplitOutcome::done) outcome = PageSplitOutcome::unjoinable;
            endAll();
        } else {
            ++done;
            pageDone(done);
            dealAll();
        }
    };
    // This process draws the first page nobody has begun that comes after its own: one a
    // page process holds (it is drawing the one before) rather than the next to hand out.
    // The processes go up through the file side by side, each page is joined soon after it
    // is drawn, and at the end neither waits for pages the other holds.
    auto takeable = [&](auto& p) {
        const int after = std::max(p.begun, lastLocal);
        return std::find_if(p.dealt.begin(), p.dealt.end(), [&](int page) { return page > after; });
    };
    auto canDraw = [&] {
        if (!local || outcome != PageSplitOutcome::done) return false;
        if (dealer.ready()) return true;
        return claims.active() && std::any_of(running.begin(), running.end(), [&](const PageProcess& p) {
                   return takeable(p) != p.dealt.end();
               });
    };
    auto drawNext = [&] {
        while (claims.active()) {
            PageProcess* holder = nullptr;
            std::deque<int>::iterator at;
            for (PageProcess& p : running) {
                const auto first = takeable(p);
                if (first != p.dealt.end() && (holder == nullptr || *first < *at)) {
                    holder = &p;
                    at = first;
                }
            }
            if (holder == nullptr) break;
            const int page = *at;
            if (!claims.claim(page)) {
                holder->begun = page;  // and every page handed to it before
                continue;
            }
            holder->dealt.erase(at);
            holder->waiting = std::max(0, holder->waiting - 1);
            drawPage(page);
            return;
        }
        if (dealer.ready()) drawPage(dealer.take());
    };
    std::vector<char> buffer(kReadBytes);
    for (;;) {
        if (outcome == PageSplitOutcome::done && !keepGoing()) {
            outcome = PageSplitOutcome::stopped;
            endAll();
        }
        const bool localReady = canDraw();
        if (running.empty()) {
            // Only this process is left: it draws the rest, or stops when the pages it waits
            // for can no longer come.
            if (!localReady) break;
            drawNext();
            continue;
        }
        std::vector<pollfd> fds;
        for (const PageProcess& p : running) fds.push_back({p.pipes.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), localReady ? 0 : kStopCheckMilliseconds) < 0 && errno != EINTR) {
            fail(std::string("Couldn't follow the page processes: ") + std::strerror(errno));
            endAll();
        }
        for (size_t i = running.size(); i-- > 0;) {
            PageProcess& p = running[i];
            if (fds[i].revents == 0) continue;
            // Everything it has sent so far: its reports are not left waiting while this
            // process draws a page of its own.
            ssize_t n = 0;
            for (;;) {
                if (p.parcelPage > 0) {
                    // A parcel's bytes are read into the parcel itself: pages are large.
                    n = ::read(p.pipes.fd, p.parcel.data() + p.parcelHave, p.parcelSize - p.parcelHave);
                    if (n <= 0) break;
                    p.parcelHave += static_cast<size_t>(n);
                } else {
                    n = ::read(p.pipes.fd, buffer.data(), buffer.size());
                    if (n <= 0) break;
                    p.pending.append(buffer.data(), static_cast<size_t>(n));
                }
                for (;;) {
                    if (p.parcelPage > 0) {
                        if (!p.pending.empty()) {
                            const size_t take = std::min(p.pending.size(), p.parcelSize - p.parcelHave);
                            std::memcpy(p.parcel.data() + p.parcelHave, p.pending.data(), take);
                            p.parcelHave += take;
                            p.pending.erase(0, take);
                        }
                        if (p.parcelHave < p.parcelSize) break;
                        std::string parcel = std::exchange(p.parcel, std::string());
                        p.parcelHave = 0;
                        const int page = std::exchange(p.parcelPage, 0);
                        if (outcome != PageSplitOutcome::done) continue;
                        if (!receiver->take(page, std::move(parcel))) {
                            if (receiver->joinable()) fail(receiver->failure());
                            else outcome = PageSplitOutcome::unjoinable;
                            endAll();
                            continue;
                        }
                        pageReported(p);
                        continue;
                    }
                    const size_t end = p.pending.find('\n');
                    if (end == std::string::npos) break;
                    line(p, p.pending.substr(0, end));
                    p.pending.erase(0, end + 1);
                    if (p.parcelPage > 0) p.parcel.resize(p.parcelSize);
                }
                if (p.parcelPage == 0 && p.pending.size() > kLongestLine) p.pending.clear();
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            ::close(p.pipes.fd);
            if (p.pipes.input >= 0) ::close(p.pipes.input);
            const int status = reap(p.pipes.pid);
            const bool clean = status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
            if (!clean && !p.reported && !ended && outcome == PageSplitOutcome::done && !keepGoing()) {
                // An interrupt reaches the page processes too; they stopped as asked.
                outcome = PageSplitOutcome::stopped;
                endAll();
            } else if (!clean && !p.reported && !ended) {
                fail(status >= 0 && WIFSIGNALED(status)
                         ? "A page process ended with signal " + std::to_string(WTERMSIG(status))
                         : "A page process ended without finishing its pages");
                endAll();
            }
            running.erase(running.begin() + static_cast<long>(i));
        }
        // Then a page of its own, when what arrived left one to draw.
        if (localReady && canDraw()) drawNext();
        if (outcome == PageSplitOutcome::done && done == pages) {
            // Every page is written and reported: what the page processes still do is put
            // their documents away, which the output need not wait for.
            letGo(running);
            break;
        }
    }
    if (outcome == PageSplitOutcome::done && done != pages) fail("The page processes left pages unwritten");
    return outcome;
}

namespace {

std::atomic<bool> stopRequested{false};

void onStop(int) { stopRequested.store(true); }

bool readNumber(std::string_view text, int& value) {
    auto [at, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && at == text.data() + text.size();
}

struct HandleCloser {
    void operator()(PdfHandle* handle) const { PDF_Close(handle); }
};

// What a page process sends back, queued: while the converting process draws a page of its
// own it reads nothing, and a full pipe must not stop this process drawing the next page.
// Standard output does not block; what the pipe does not take now goes when it has room.
class Outbox {
public:
    Outbox() : flags_(::fcntl(STDOUT_FILENO, F_GETFL)) { ::fcntl(STDOUT_FILENO, F_SETFL, flags_ | O_NONBLOCK); }
    // Standard output may be shared (a terminal): it is left as it was found.
    ~Outbox() { restore(); }
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;
    void restore() {
        if (flags_ >= 0) ::fcntl(STDOUT_FILENO, F_SETFL, flags_);
    }

    void add(std::string_view bytes) {
        queue_.append(bytes);
        send();
    }
    bool empty() const { return sent_ == queue_.size(); }

    // As much as the pipe takes now; false when the converting process has gone.
    bool send() {
        while (sent_ < queue_.size()) {
            const ssize_t n = ::write(STDOUT_FILENO, queue_.data() + sent_, queue_.size() - sent_);
            if (n > 0) {
                sent_ += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                break;
            } else {
                stopRequested.store(true);
                return false;
            }
        }
        if (sent_ == queue_.size() || sent_ > queue_.size() / 2) {
            queue_.erase(0, sent_);
            sent_ = 0;
        }
        return true;
    }

    // Everything, waiting for room as long as it takes, or until this process is stopped.
    bool flush() {
        while (!empty()) {
            if (!send()) return false;
            if (empty()) break;
            if (stopRequested.load()) return false;
            pollfd out{STDOUT_FILENO, POLLOUT, 0};
            if (::poll(&out, 1, kStopCheckMilliseconds) < 0 && errno != EINTR) return false;
        }
        return true;
    }

private:
    int flags_;
    std::string queue_;
    size_t sent_ = 0;
};

// A line for the converting process, which reads whole lines.
void report(Outbox& outbox, const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    line += '\n';
    outbox.add(line);
}

// A page process whose pages cannot be joined as one process's ends with this status.
constexpr int kUnjoinableStatus = 3;

// The page numbers the converting process hands out on standard input, one a line.
class PageOrders {
public:
    // The next page; false at the end of the orders, on a stop or on a line that is not a
    // page number (`bad` set). While it waits, what `outbox` holds goes out as the pipe
    // takes it: the converting process hands out pages as it reads of pages done.
    bool next(int& page, bool& bad, Outbox& outbox) {
        for (;;) {
            if (stopRequested.load()) return false;
            if (size_t end = buffer_.find('\n'); end != std::string::npos) {
                bad = !readNumber(std::string_view(buffer_).substr(0, end), page);
                buffer_.erase(0, end + 1);
                return !bad;
            }
            if (buffer_.size() > 32) {
                bad = true;
                return false;
            }
            pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {STDOUT_FILENO, POLLOUT, 0}};
            if (::poll(fds, outbox.empty() ? 1 : 2, -1) < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (fds[1].revents != 0 && !outbox.send()) return false;
            if (fds[0].revents == 0) continue;
            char chunk[64];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

private:
    std::string buffer_;
};

}  // namespace

int runPagePart(int argc, const char* const* argv) {
    // Program, marker, source, target, first and last page, and the page claims' descriptor.
    constexpr int kFixed = 7;
    int first = 0, last = 0;
    if (argc < kFixed || !readNumber(argv[4], first) || !readNumber(argv[5], last) || first < 1 || last < first) {
        std::fputs("vellumix: --page-part is for the program's own use\n", stderr);
        return 2;
    }
    // A page process never outlives the process that waits for its pages.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGXFSZ, SIG_IGN);
    if (::getppid() == 1) return 130;

    Outbox outbox;
    // A failure is told before the process ends, however long the pipe takes it.
    auto fail = [&](const std::string& text, int status = 1) {
        report(outbox, text);
        outbox.flush();
        return status;
    };
    // Pages the converting process takes back are left to it.
    PageClaims claims;
    if (std::string_view(argv[6]) != "-") {
        int fd = -1;
        if (!readNumber(argv[6], fd) || !claims.attach(fd, first, last))
            return fail("error The page claims could not be shared");
    }
    std::vector<const char*> switches{argv[0], "--no-window", "--quit"};
    for (int i = kFixed; i < argc; ++i) switches.push_back(argv[i]);
    switches.insert(switches.end(), {"-i", argv[2]});  // the switches are read as for a run on the file
    CommandLineResult parsed = parseCommandLine(static_cast<int>(switches.size()), switches.data());
    if (!parsed.options) return fail("error " + parsed.error);
    applyOverrides(*parsed.options);
    const std::string source = argv[2];
    const std::string target = argv[3];
    PageTarget pageTarget;
    pageTarget.bmp = Settings::readInt(Setting::convertType) == kConvertToBmp;
    pageTarget.image = imageFormatSetting();
    pageTarget.path = target;
    pageTarget.source = source;
    pageTarget.first = first;
    const std::string owner = Settings::readText(Setting::ownerPassword);
    const std::string user = Settings::readText(Setting::userPassword);
    OpenResult opened = openPdf(source.c_str(), owner.c_str(), user.c_str(), Settings::readInt(Setting::zoom));
    if (opened.handle == nullptr) return fail("error " + openFailureText(source, opened.failure, opened.errorNumber));
    std::unique_ptr<PdfHandle, HandleCloser> handle(opened.handle);
    const int pages = PDF_GetPageCount(handle.get());
    PageOrders orders;
    int page = 0;
    bool bad = false;
    // A site's pages are joined by the converting process; this one paints their pictures.
    std::optional<SiteParcels> site;
    if (!pageTarget.bmp && !pageTarget.image) site.emplace(handle.get());
    while (orders.next(page, bad, outbox)) {
        if (page < first || page > last || page > pages)
            return fail("error Page " + std::to_string(page) + " is not in the file's range");
        if (!claims.claim(page)) continue;
        if (!site) {
            const std::string error = renderOnePage(handle.get(), page, pageTarget);
            if (!error.empty()) return fail("error " + error);
            report(outbox, "page " + std::to_string(page));
            continue;
        }
        std::string parcel, error;
        const SiteParcels::Result made = site->make(page, pageTarget, parcel, error);
        if (made == SiteParcels::Result::failed) return fail("error " + error);
        if (made == SiteParcels::Result::unjoinable) return fail("unjoinable " + std::to_string(page), kUnjoinableStatus);
        outbox.add("parcel " + std::to_string(page) + " " + std::to_string(parcel.size()) + "\n");
        outbox.add(parcel);
    }
    if (bad) return fail("error The page orders could not be read");
    if (stopRequested.load()) return 130;
    if (!outbox.flush()) return 1;
    // Every page is written and reported: putting the document and its caches away piece by
    // piece would only hold the processor the converting process is finishing the file on.
    outbox.restore();
    std::fflush(nullptr);
    ::_exit(0);
}

}  // namespace qm

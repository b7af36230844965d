#include "app/page_split.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/cli_main.h"
#include "app/page_render.h"
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

struct PageProcess {
    pid_t pid = -1;
    int fd = -1;
    std::string pending;  // a partial line of its reports
    bool reported = false;  // it said why it failed
};

bool spawnPageProcess(const PageSplitRequest& r, int index, int count, PageProcess& process) {
    std::vector<std::string> args{"vellumix", kPagePartArgument, r.source, r.target, std::to_string(r.first),
                                  std::to_string(r.last), std::to_string(index), std::to_string(count)};
    args.insert(args.end(), r.switches.begin(), r.switches.end());
    PipedProcess started;
    if (!spawnThisProgram(std::move(args), STDOUT_FILENO, started)) return false;
    process.pid = started.pid;
    process.fd = started.fd;
    return true;
}

int reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}

}  // namespace

PageSplitOutcome renderInProcesses(const PageSplitRequest& request, const std::function<void(int)>& pageDone,
                                   const std::function<bool()>& keepGoing, std::string& error) {
    const int pages = request.last - request.first + 1;
    const int count = std::max(1, std::min(request.processes, pages));
    std::vector<PageProcess> running;
    PageSplitOutcome outcome = PageSplitOutcome::done;
    auto fail = [&](std::string text) {
        if (outcome == PageSplitOutcome::done) {
            outcome = PageSplitOutcome::failed;
            error = std::move(text);
        }
    };
    for (int i = 0; i < count; ++i) {
        PageProcess process;
        if (!spawnPageProcess(request, i, count, process)) {
            fail(std::string("Couldn't start a page process: ") + std::strerror(errno));
            break;
        }
        running.push_back(std::move(process));
    }
    int done = 0;
    bool ended = false;  // the others were told to stop
    auto endAll = [&] {
        if (ended) return;
        ended = true;
        for (const PageProcess& p : running) ::kill(p.pid, SIGTERM);
    };
    if (outcome != PageSplitOutcome::done) endAll();
    auto line = [&](PageProcess& p, const std::string& text) {
        if (text.starts_with("page ")) {
            ++done;
            if (outcome == PageSplitOutcome::done) pageDone(done);
        } else if (text.starts_with("error ")) {
            p.reported = true;
            fail(text.substr(6));
            endAll();
        }
    };
    while (!running.empty()) {
        if (outcome == PageSplitOutcome::done && !keepGoing()) {
            outcome = PageSplitOutcome::stopped;
            endAll();
        }
        std::vector<pollfd> fds;
        for (const PageProcess& p : running) fds.push_back({p.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), kStopCheckMilliseconds) < 0 && errno != EINTR) {
            fail(std::string("Couldn't follow the page processes: ") + std::strerror(errno));
            endAll();
        }
        for (size_t i = running.size(); i-- > 0;) {
            PageProcess& p = running[i];
            if (fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(p.fd, buffer, sizeof buffer);
            if (n > 0) {
                p.pending.append(buffer, static_cast<size_t>(n));
                for (size_t end; (end = p.pending.find('\n')) != std::string::npos;) {
                    line(p, p.pending.substr(0, end));
                    p.pending.erase(0, end + 1);
                }
                if (p.pending.size() > kLongestLine) p.pending.clear();
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            ::close(p.fd);
            const int status = reap(p.pid);
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
    }
    if (outcome == PageSplitOutcome::done && done != pages) fail("The page processes left pages unwritten");
    return outcome;
}

namespace {

std::atomic<bool> stopRequested{false};

void onStop(int) { stopRequested.store(true); }

bool readNumber(const char* text, int& value) {
    const char* end = text + std::strlen(text);
    auto [at, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && at == end;
}

struct HandleCloser {
    void operator()(PdfHandle* handle) const { PDF_Close(handle); }
};

void report(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    line += '\n';
    // One write per line: the converting process reads whole lines.
    if (::write(STDOUT_FILENO, line.data(), line.size()) < 0) stopRequested.store(true);
}

}  // namespace

int runPagePart(int argc, const char* const* argv) {
    constexpr int kFixed = 8;  // program, marker and six values
    int first = 0, last = 0, index = 0, count = 0;
    if (argc < kFixed || !readNumber(argv[4], first) || !readNumber(argv[5], last) || !readNumber(argv[6], index) ||
        !readNumber(argv[7], count) || first < 1 || last < first || count < 1 || index < 0 || index >= count) {
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

    std::vector<const char*> switches{argv[0], "--no-window", "--quit"};
    for (int i = kFixed; i < argc; ++i) switches.push_back(argv[i]);
    switches.insert(switches.end(), {"-i", argv[2]});  // the switches are read as for a run on the file
    CommandLineResult parsed = parseCommandLine(static_cast<int>(switches.size()), switches.data());
    if (!parsed.options) {
        report("error " + parsed.error);
        return 1;
    }
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
    if (opened.handle == nullptr) {
        report("error " + openFailureText(source, opened.failure, opened.errorNumber));
        return 1;
    }
    std::unique_ptr<PdfHandle, HandleCloser> handle(opened.handle);
    const int pages = PDF_GetPageCount(handle.get());
    for (long long page = first + index; page <= last; page += count) {
        if (stopRequested.load()) return 130;
        const int number = static_cast<int>(page);
        if (number > pages) {
            report("error Page " + std::to_string(number) + " is not in the file");
            return 1;
        }
        const std::string error = renderOnePage(handle.get(), number, pageTarget);
        if (!error.empty()) {
            report("error " + error);
            return 1;
        }
        report("page " + std::to_string(number));
    }
    return 0;
}

}  // namespace qm

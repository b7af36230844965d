#include "app/cli_main.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <map>
#include <optional>
#include <cstdio>
#include <cstring>

#include "app/batch_plan.h"
#include "app/cli_observer.h"
#include "app/results_log.h"
#include "app/results_observer.h"
#include "app/output_paths.h"
#include "app/page_split.h"
#include "convert/path_parts.h"
#include "convert/settings.h"
#include "platform/system/file_ops.h"
#include "platform/system/process.h"

namespace qm {

namespace {

// Set by SIGINT and SIGTERM: the file being converted stops and its partial output goes.
std::atomic<bool> interrupted{false};

void onInterrupt(int) { interrupted.store(true); }

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A file size limit makes writes fail with EFBIG, reported like a full disk, instead of
    // killing the process in the middle of a file.
    ::signal(SIGXFSZ, SIG_IGN);
}

bool isDirectoryPath(const std::string& path) {
    return !path.empty() && path.back() == '/';
}

// The run's switches in long form, for worker processes.
std::vector<std::string> switchArguments(const CommandLine& o) {
    std::vector<std::string> args;
    auto number = [&](const char* name, const std::optional<int>& v) {
        if (v) args.push_back(std::string("--") + name + "=" + std::to_string(*v));
    };
    number("first", o.first);
    number("last", o.last);
    number("zoom", o.zoom);
    number("char-spacing", o.charSpacing);
    number("jpeg-quality", o.jpegQuality);
    if (o.continuous) args.push_back("--continuous");
    if (o.removePictures) args.push_back("--no-pictures");
    if (o.grayscale) args.push_back("--grayscale");
    if (o.antialias) args.push_back("--antialias");
    if (o.bmp) args.push_back("--bmp");
    if (o.format == OutputFormat::png || o.format == OutputFormat::svg) {
        args.push_back(std::string("--format=") + outputFormatName(o.format));
    }
    if (!o.results.empty()) args.push_back("--results=" + o.results);
    if (o.noWebFonts) args.push_back("--no-web-fonts");
    if (o.overwrite) args.push_back("--overwrite");
    if (o.userPassword) args.push_back("--user-password=" + *o.userPassword);
    if (o.ownerPassword) args.push_back("--owner-password=" + *o.ownerPassword);
    return args;
}

struct Child {
    pid_t pid = -1;
    int fd = -1;
    std::string pending;  // a partial line of its standard error
    size_t job = 0;       // its index in the work
};

void recordWorkerDeath(const std::string& log, const ConversionJob& job, int wstatus) {
    ResultRecord record;
    record.path = job.source;
    record.output = job.output;
    record.status = "failed";
    record.message = "the worker process ended with signal " + std::to_string(WTERMSIG(wstatus));
    const std::string error = appendResultLine(log, resultLine(record));
    if (!error.empty()) std::fprintf(stderr, "vellumix: couldn't write to the results log '%s': %s\n", log.c_str(), error.c_str());
}

bool spawnWorker(const ConversionJob& job, const std::vector<std::string>& switches, Child& child) {
    std::vector<std::string> args{"vellumix", "--no-window", "--quit"};
    args.insert(args.end(), switches.begin(), switches.end());
    // FOLDER/NAME/index.htm is what "-o FOLDER/NAME.htm" forms again in the worker, and a
    // BMP stem what "-o STEM.bmp" forms.
    std::string site(folderOf(job.output));
    if (!site.empty()) site.pop_back();
    const bool bmp = std::find(args.begin(), args.end(), "--bmp") != args.end();
    const std::string output = bmp ? (job.bmpStem.empty() ? job.source : job.bmpStem) + ".bmp" : site + ".htm";
    args.insert(args.end(), {"-i", job.source, "-o", output});
    PipedProcess started;
    if (!spawnThisProgram(std::move(args), STDERR_FILENO, started)) return false;
    child.pid = started.pid;
    child.fd = started.fd;
    return true;
}

}  // namespace

void applyOverrides(const CommandLine& o) {
    if (o.first || o.last) {
        Settings::setOverride(Setting::pageRangeType, 1);
        Settings::setOverride(Setting::pageFrom, o.first.value_or(1));
        Settings::setOverride(Setting::pageTo, o.last.value_or(100000));
    }
    if (o.zoom) Settings::setOverride(Setting::zoom, *o.zoom);
    if (o.continuous) Settings::setOverride(Setting::continuousMode, 1);
    if (o.removePictures) Settings::setOverride(Setting::removePictures, 1);
    if (o.charSpacing) Settings::setOverride(Setting::runGapLimit, *o.charSpacing);
    if (o.jpegQuality) Settings::setOverride(Setting::jpegQuality, *o.jpegQuality);
    if (o.grayscale) Settings::setOverride(Setting::grayscale, 1);
    if (o.antialias) Settings::setOverride(Setting::antialias, 1);
    if (o.userPassword) Settings::setOverride(Setting::userPassword, *o.userPassword);
    if (o.ownerPassword) Settings::setOverride(Setting::ownerPassword, *o.ownerPassword);
    if (o.bmp) Settings::setOverride(Setting::convertType, kConvertToBmp);
    if (o.format == OutputFormat::png) Settings::setOverride(Setting::convertType, kConvertToPng);
    if (o.format == OutputFormat::svg) Settings::setOverride(Setting::convertType, kConvertToSvg);
    if (o.noWebFonts) Settings::setOverride(Setting::webFonts, 0);
    if (o.noWindow) Settings::setOverride(Setting::quiet, 1);
    if (o.quit) Settings::setOverride(Setting::exitAfterConverting, 1);
    if (o.overwrite) Settings::setOverride(Setting::overwrite, 1);
}

std::vector<ConversionJob> jobsFor(const CommandLine& o) {
    std::vector<ConversionJob> jobs;
    const bool several = o.inputs.size() > 1;
    for (const std::string& pdf : o.inputs) {
        ConversionJob job{pdf, {}, {}};
        const bool inFolder = !o.output.empty() && (several || isDirectoryPath(o.output) ||
                                                    (o.bmp && isDirectory(o.output)));
        if (o.output.empty()) {
            job.output = siteOutputBeside(pdf);
        } else if (inFolder) {
            job.output = siteOutputInFolder(o.output, pdf);
            if (o.bmp) job.bmpStem = bmpStemInFolder(o.output, pdf);
        } else {
            job.output = siteOutputForChosenFile(o.output);
            if (o.bmp) job.bmpStem = bmpStemForChosenFile(o.output);
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}

std::string clashingOutputs(const std::vector<ConversionJob>& jobs, bool bmp) {
    std::map<std::string, const ConversionJob*> seen;
    for (const ConversionJob& job : jobs) {
        std::string key = bmp ? (job.bmpStem.empty() ? job.source : job.bmpStem) + "_NNN.bmp"
                              : std::string(folderOf(job.output));
        auto [at, fresh] = seen.emplace(key, &job);
        if (!fresh) {
            return "'" + at->second->source + "' and '" + job.source + "' would both be written to '" + key +
                   "'; convert them in separate runs or give each its own output";
        }
    }
    return "";
}

int runInProcesses(const std::vector<ConversionJob>& work, const std::vector<std::string>& switches, int jobs,
                   const std::string& resultsLog) {
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    std::vector<Child> running;
    size_t next = 0;
    size_t done = 0;
    int status = 0;
    bool forwarded = false;
    auto progress = [&] {
        if (!terminal) return;
        std::fprintf(stderr, "\r\033[K%zu of %zu files done, %zu converting", done, work.size(), running.size());
        std::fflush(stderr);
    };
    auto forward = [&](const std::string& line) {
        if (terminal) std::fputs("\r\033[K", stderr);
        std::fprintf(stderr, "%s\n", line.c_str());
    };
    while (next < work.size() || !running.empty()) {
        while (next < work.size() && running.size() < static_cast<size_t>(jobs)) {
            Child child;
            if (!spawnWorker(work[next], switches, child)) {
                forward("vellumix: " + work[next].source + ": couldn't start a worker process: " + std::strerror(errno));
                status = 1;
                ++done;
            } else {
                child.job = next;
                running.push_back(child);
            }
            ++next;
        }
        progress();
        if (interrupted.load() && !forwarded) {
            // Each worker stops its file and removes what it wrote; nothing new starts.
            for (const Child& c : running) ::kill(c.pid, SIGTERM);
            forwarded = true;
            next = work.size();
        }
        std::vector<pollfd> fds;
        for (const Child& c : running) fds.push_back({c.fd, POLLIN, 0});
        if (fds.empty()) continue;
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
        for (size_t i = running.size(); i-- > 0;) {
            if (fds[i].revents == 0) continue;
            char buffer[4096];
            ssize_t n = ::read(running[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                running[i].pending.append(buffer, static_cast<size_t>(n));
                size_t end;
                while ((end = running[i].pending.find('\n')) != std::string::npos) {
                    forward(running[i].pending.substr(0, end));
                    running[i].pending.erase(0, end + 1);
                }
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (!running[i].pending.empty()) forward(running[i].pending);
            ::close(running[i].fd);
            int wstatus = 0;
            while (::waitpid(running[i].pid, &wstatus, 0) < 0 && errno == EINTR) {
            }
            if (!WIFEXITED(wstatus) || WEXITSTATUS(wstatus) != 0) status = 1;
            // A worker that died cannot have logged its file.
            if (!WIFEXITED(wstatus) && !resultsLog.empty()) {
                recordWorkerDeath(resultsLog, work[running[i].job], wstatus);
            }
            running.erase(running.begin() + static_cast<long>(i));
            ++done;
        }
    }
    if (terminal) std::fputs("\r\033[K", stderr);
    return interrupted.load() ? 130 : status;
}

int runCommandLine(int argc, const char* const* argv) {
    if (argc > 1 && std::strcmp(argv[1], kPagePartArgument) == 0) return runPagePart(argc, argv);
    CommandLineResult parsed = parseCommandLine(argc, argv);
    if (!parsed.options) {
        std::fprintf(stderr, "vellumix: %s\nTry 'vellumix --help' for more information.\n", parsed.error.c_str());
        return 2;
    }
    const CommandLine& options = *parsed.options;
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("vellumix %s\n", kProgramVersion);
        return 0;
    }
    BatchPlan plan = planBatch(options, [](const char* name) -> const char* { return std::getenv(name); });
    if (plan.alreadyDone > 0) {
        std::fprintf(stderr, "vellumix: %zu file(s) passed over, converted before according to %s\n", plan.alreadyDone,
                     options.skipDone.c_str());
    }
    if (plan.exitStatus >= 0) {
        if (!plan.error.empty()) std::fprintf(stderr, "vellumix: %s\n", plan.error.c_str());
        if (plan.exitStatus == 2) std::fputs("Try 'vellumix --help' for more information.\n", stderr);
        return plan.exitStatus;
    }
    std::vector<ConversionJob> jobs = std::move(plan.jobs);
    if (std::string clash = clashingOutputs(jobs, options.bmp); !clash.empty()) {
        std::fprintf(stderr, "vellumix: %s\n", clash.c_str());
        return 2;
    }
    catchInterrupts();
    if (options.jobs > 1 && jobs.size() > 1) {
        return runInProcesses(jobs, switchArguments(options), options.jobs, options.results);
    }

    applyOverrides(options);
    CliObserver observer(stderr, ::isatty(STDERR_FILENO) == 1);
    std::optional<ResultsObserver> results;
    if (!options.results.empty()) results.emplace(observer, options.results);
    WorkerFlags flags{options.overwrite, false, &interrupted};
    if (options.jobs > 1 && jobs.size() == 1) {
        // One file: its pages are shared among the processes instead.
        flags.pageProcesses = options.jobs;
        flags.pageSwitches = switchArguments(options);
    }
    ConversionWorker worker(results ? static_cast<WorkerObserver&>(*results) : observer, flags);
    for (ConversionJob& job : jobs) worker.enqueue(std::move(job));
    bool allWell = worker.runQueue();
    waitForPageProcesses();
    if (interrupted.load() || observer.stopped() > 0) return 130;
    if (results && results->logFailures() > 0) return 1;
    return allWell && observer.failures() == 0 ? 0 : 1;
}

}  // namespace qm

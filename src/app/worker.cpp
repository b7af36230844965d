#include "app/worker.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "app/image_pages.h"
#include "app/output_paths.h"
#include "app/page_render.h"
#include "app/page_split.h"
#include "app/site_join.h"
#include "app/site_parcel.h"
#include "convert/document_open.h"
#include "convert/handle_title.h"
#include "convert/html_conversion.h"
#include "convert/page_thumbnail.h"
#include "convert/path_parts.h"
#include "convert/search_index.h"
#include "convert/settings.h"
#include "convert/site_pages.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"
#include "platform/system/process.h"
#include "platform/system/output_transaction.h"
#include "quillmark.h"

namespace qm {

namespace {

constexpr int kMaxPage = 100000;

std::string format(const char* pattern, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

// The output folder of an HTML job: the output path up to its last slash.
std::string outputFolder(const std::string& output) {
    std::string_view folder = folderOf(output);
    if (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    return std::string(folder);
}

// Open documents close on every path out of a conversion.
struct HandleCloser {
    void operator()(PdfHandle* handle) const { PDF_Close(handle); }
};
using HandlePtr = std::unique_ptr<PdfHandle, HandleCloser>;

// A message about a staged file names the file the user will look for instead.
std::string outsideNames(std::string text, const std::string& staging, const std::string& destination) {
    for (size_t at; (at = text.find(staging)) != std::string::npos;) text.replace(at, staging.size(), destination);
    return text;
}

}  // namespace

std::string fileSizeText(long long size) {
    if (size / 1024 <= 1023) return format("%lld<%.2fK>", size, static_cast<double>(size) / 1024.0);
    return format("%lld<%.2fM>", size, static_cast<double>(size) / 1048576.0);
}

std::string bmpPagePath(const std::string& stem, int page) { return format("%s_%03d.bmp", stem.c_str(), page); }

std::string pageFilePath(const std::string& output, int first, int pageNumber) {
    std::string extension(extensionOf(output));
    return std::string(folderOf(output)) + format("pg_%04d", pageNumber - first + 1) + extension;
}

ConversionWorker::ConversionWorker(WorkerObserver& observer, WorkerFlags flags) : observer_(observer), flags_(flags) {}

ConversionWorker::~ConversionWorker() { shutdown(); }

bool ConversionWorker::start() {
    if (thread_.joinable()) return true;
    {
        std::lock_guard lock(mutex_);
        running_ = true;
    }
    try {
        thread_ = std::thread([this] { threadMain(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void ConversionWorker::shutdown() {
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ConversionWorker::enqueue(ConversionJob job) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    wake_.notify_all();
}

size_t ConversionWorker::queued() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool ConversionWorker::busy() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

void ConversionWorker::stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        // The job being converted stays at the head until its clean-up is done.
        if (busy_ && !queue_.empty()) {
            queue_.erase(queue_.begin() + 1, queue_.end());
        } else {
            queue_.clear();
        }
        paused_ = false;
    }
    wake_.notify_all();
}

void ConversionWorker::pause() {
    std::lock_guard lock(mutex_);
    paused_ = true;
}

void ConversionWorker::resume() {
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    wake_.notify_all();
}

bool ConversionWorker::paused() const {
    std::lock_guard lock(mutex_);
    return paused_;
}

bool ConversionWorker::waitWhilePaused() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !paused_ || !running_ || stop_; });
    lock.unlock();
    return shouldContinue();
}

bool ConversionWorker::shouldContinue() const {
    if (flags_.interrupted != nullptr && flags_.interrupted->load()) return false;
    std::lock_guard lock(mutex_);
    return running_ && !stop_;
}

bool ConversionWorker::takeHead(ConversionJob& job) {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    job = queue_.front();
    return true;
}

void ConversionWorker::removeHead() {
    std::lock_guard lock(mutex_);
    if (!queue_.empty()) queue_.pop_front();
}

void ConversionWorker::threadMain() {
    std::unique_lock lock(mutex_);
    while (running_) {
        wake_.wait(lock, [this] { return !running_ || !queue_.empty(); });
        if (!running_) break;
        lock.unlock();
        workOffQueue();
        lock.lock();
    }
}

bool ConversionWorker::runQueue() { return workOffQueue(); }

bool ConversionWorker::workOffQueue() {
    ConversionJob job;
    if (!takeHead(job)) return true;
    {
        std::lock_guard lock(mutex_);
        busy_ = true;
    }
    observer_.busyChanged(true);
    {
        // A stop asked for while the worker was idle has nothing to stop.
        std::lock_guard lock(mutex_);
        stop_ = false;
    }
    bool allWell = true;
    bool lastConverted = false;
    std::string lastOutput;
    while (takeHead(job)) {
        const FileOutcome outcome = convertJob(job);
        observer_.fileFinished(job.source, job.output, outcome);
        lastConverted = outcome == FileOutcome::converted;
        lastOutput = job.output;
        if (!lastConverted) allWell = false;
        removeHead();
        if (flags_.interrupted != nullptr && flags_.interrupted->load()) break;
        std::lock_guard lock(mutex_);
        if (!running_) break;
    }
    observer_.queueFinished(!allWell);
    if (lastConverted && flags_.mayOpenBrowser && Settings::readFlag(Setting::preview) && !lastOutput.empty()) {
        openInBrowser(lastOutput);
    }
    {
        std::lock_guard lock(mutex_);
        busy_ = false;
        stop_ = false;
    }
    observer_.fileProgress(0);
    observer_.busyChanged(false);
    return allWell;
}

namespace {

// What one job writes and where: the folder the transaction fills, and every final path the
// run may replace (asked about before any work).
struct OutputPlan {
    std::string destination;
    std::vector<std::string> finalPaths;
    std::string continuousFile;  // -c -d: the one file published, "" otherwise
};

OutputPlan planOutputs(const ConversionJob& job, bool bmp, std::optional<OutputFormat> image, bool continuous,
                       bool noPictures, int first, int last) {
    OutputPlan plan;
    if (image) {
        // The pictures go into the folder a site would have.
        plan.destination = outputFolder(job.output);
        for (int i = first; i <= last; ++i) plan.finalPaths.push_back(imagePagePath(plan.destination, job.source, i, *image));
        return plan;
    }
    if (bmp) {
        const std::string stem = job.bmpStem.empty() ? job.source : job.bmpStem;
        plan.destination = outputFolder(stem.find('/') == std::string::npos ? "./" + stem : stem);
        for (int i = first; i <= last; ++i) plan.finalPaths.push_back(bmpPagePath(stem, i));
        return plan;
    }
    const std::string folder = outputFolder(job.output);
    if (continuous && noPictures) {
        plan.continuousFile = folder + ".htm";
        plan.destination = outputFolder(folder.find('/') == std::string::npos ? "./" + folder : folder);
        plan.finalPaths.push_back(plan.continuousFile);
        return plan;
    }
    plan.destination = folder;
    plan.finalPaths.push_back(folder + "/index.htm");
    if (!continuous) {
        std::vector<std::string> names;
        std::string from;
        const std::string site = dataDirectory() + "/site/";
        for (const char* pattern : {"pg_*.gif", "pg_*.htm", "pg_*.js"}) {
            names.clear();
            if (matchingFiles(site + pattern, names, from)) {
                for (const std::string& name : names) plan.finalPaths.push_back(folder + "/" + name);
            }
        }
    }
    for (int i = first; i <= last; ++i) {
        const std::string page = pageFilePath(job.output, first, i);
        if (!continuous) plan.finalPaths.push_back(page);
        plan.finalPaths.push_back(withExtension(page, ".jpg"));
        if (!continuous) plan.finalPaths.push_back(thumbnailPath(page));
        // Each index file once, with the first page it holds.
        if (!continuous && (i - first) % kSearchPagesPerFile == 0) {
            plan.finalPaths.push_back(searchIndexPath(folder + "/", i - first + 1));
        }
    }
    return plan;
}

// The first planned path that something already stands at ("" when none).
std::string firstExisting(const OutputPlan& plan) {
    for (const std::string& path : plan.finalPaths) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0) return path;
    }
    return "";
}

}  // namespace

FileOutcome ConversionWorker::convertJob(ConversionJob job) {
    const bool continuous = Settings::readFlag(Setting::continuousMode);
    const bool noPictures = continuous && Settings::readFlag(Setting::removePictures);
    const bool bmp = Settings::readInt(Setting::convertType) == kConvertToBmp;
    const std::optional<OutputFormat> image = imageFormatSetting();
    const std::string& source = job.source;
    observer_.fileStarted(source);
    struct stat info {};
    if (::stat(source.c_str(), &info) == 0) observer_.fileSizeText(fileSizeText(info.st_size));
    const int zoom = Settings::readInt(Setting::zoom);
    auto fail = [&](const std::string& text) {
        observer_.message(source, text);
        observer_.pageProgress(0);
        return FileOutcome::failed;
    };

    int first = 1;
    int last = kMaxPage;
    const bool range = Settings::readInt(Setting::pageRangeType) == 1;
    if (range) {
        first = Settings::readInt(Setting::pageFrom);
        last = Settings::readInt(Setting::pageTo);
        if (last < first || first < 0 || last < 0) {
            return fail("Page range is incorrect,Please check it in option dialog,and try again.");
        }
    }

    const std::string owner = Settings::readText(Setting::ownerPassword);
    const std::string user = Settings::readText(Setting::userPassword);
    OpenResult opened = openPdf(source.c_str(), owner.c_str(), user.c_str(), zoom);
    if (opened.handle == nullptr) return fail(openFailureText(source, opened.failure, opened.errorNumber));
    HandlePtr handle(opened.handle);
    // Web fonts are written only for a conversion that completes: one stopped or failed
    // leaves none behind (this runs before the document closes).
    struct DropUnwrittenFonts {
        ~DropUnwrittenFonts() { htmlWriterState().webFonts().clear(); }
    } dropFonts;
    const int count = PDF_GetPageCount(handle.get());
    if (range) {
        first = std::max(first, 1);
        last = std::min(last, count);
    } else {
        first = 1;
        last = count;
    }
    if (last < first) {
        return fail(format("The '%s' file only contain %d pages, please correct the page range in the "
                           "setting dialog and try again.",
                           source.c_str(), count));
    }

    // Existing files are replaced only with the user's word; "No" picks another name.
    bool replace = flags_.overwrite || Settings::readFlag(Setting::overwrite);
    OutputPlan plan = planOutputs(job, bmp, image, continuous, noPictures, first, last);
    for (int asked = 0; !replace; ++asked) {
        const std::string existing = firstExisting(plan);
        if (existing.empty()) break;
        if (asked == 8) return FileOutcome::skipped;
        std::string question = existing + " already exists. Overwrite it? Select Cancel to skip the file.";
        const OverwriteAnswer answer = observer_.askOverwrite(existing, question);
        if (answer == OverwriteAnswer::cancel) return FileOutcome::skipped;
        if (answer == OverwriteAnswer::yes) {
            replace = true;
            break;
        }
        std::string picked = observer_.askOutputPath(bmp ? bmpPagePath(job.bmpStem.empty() ? source : job.bmpStem, first)
                                                         : job.output,
                                                     bmp);
        if (picked.empty()) return FileOutcome::skipped;
        if (bmp) {
            job.bmpStem = std::string(folderOf(picked)) + std::string(baseNameOf(picked));
        } else if (image) {
            job.output = std::string(folderOf(siteOutputForChosenFile(picked)));
        } else {
            job.output = siteOutputForChosenFile(picked);
        }
        plan = planOutputs(job, bmp, image, continuous, noPictures, first, last);
    }

    OutputTransaction output(plan.destination);
    output.allowReplacing(replace);
    if (!output.begin()) return fail(output.error());
    if (!plan.continuousFile.empty()) {
        output.publishAs("index.htm", plan.continuousFile);
        output.publishOnlyNamed();
    }
    const std::string staging = output.stagingFolder();

    // A site's frame: its support files, navigation, page index and bookmark tree, which need
    // no page of the document (when the pages are shared among processes, this process writes
    // them while the others start).
    bool frameWritten = bmp || image || continuous;
    auto writeFrame = [&](std::string& why) {
        if (frameWritten) return true;
        frameWritten = true;
        const std::string support = dataDirectory() + "/site/";
        int copied = 0;
        if (!copyFilesMatching(support + "pg_*.gif", staging) ||
            !copyFilesMatching(support + "pg_*.htm", staging, &copied) || copied == 0 ||
            !copyFilesMatching(support + "pg_*.js", staging)) {
            why = "Couldn't copy the site's support files from '" + support + "'";
            return false;
        }
        SiteOptions site;
        site.customTitle = Settings::readInt(Setting::pageTitleKind) == 1;
        site.customTitleText = Settings::readText(Setting::pageTitle);
        site.documentTitle = documentTitleOf(handle.get());
        site.keywords = Settings::readText(Setting::pageKeywords);
        site.homeLink = Settings::readFlag(Setting::homepageEnabled);
        site.homeAddress = Settings::readText(Setting::homepageUrl);
        char listing[4096] = {0};
        std::string listingPath;
        if (PDF_GetBookmark(handle.get(), listing, sizeof listing) == 1) listingPath = listing;
        errno = 0;
        if (!writeSitePages(staging, std::string(baseNameOf(source)), first, last, site, listingPath)) {
            why = "Couldn't write the site pages into '" + plan.destination + "': " +
                  std::strerror(errno != 0 ? errno : EIO);
            return false;
        }
        return true;
    };

    // The page files are named in the staging folder as they will be named in the site.
    const std::string stagedOutput = staging + "/" + std::string(fileNameOf(job.output));
    const std::string stagedStem = staging + "/" + std::string(fileNameOf(job.bmpStem.empty() ? source : job.bmpStem));
    const PageTarget pageTarget{bmp, image, image ? staging : bmp ? stagedStem : stagedOutput, source, first};
    const int pages = last - first + 1;
    const bool splitPages = flags_.pageProcesses > 1 && !continuous && pages > 1;
    if (std::string why; !splitPages && !writeFrame(why)) return fail(why);
    // One document across processes, this one among them: each takes pages as it finishes
    // one. A site's pages share web fonts and a search index, so the page processes paint the
    // pictures and send the text back, and this process, between pages of its own, writes
    // the pages in page order. A continuous page is one file written top to bottom and stays
    // with this process.
    if (splitPages) {
        observer_.filesLeftText(format("%d file(s) left.", static_cast<int>(std::max<size_t>(queued(), 1))));
        const PageSplitRequest request{source, pageTarget.path, first, last, flags_.pageProcesses, flags_.pageSwitches};
        auto pageDone = [&](int done) {
            observer_.pageText(format("page %d of %d", done, pages));
            observer_.pageProgress((100 * done) / pages);
        };
        std::optional<SiteJoiner> site;
        std::optional<SiteParcels> ownPages;
        if (!bmp && !image) {
            site.emplace(pageTarget.path, first, last);
            ownPages.emplace(handle.get());
        }
        float version = 0;
        // This process draws pages as one of the processes: a site page goes to the joiner
        // as a page process's would, unpacked.
        auto drawOwn = [&](int page, std::string& why) {
            if (!site) {
                why = renderOnePage(handle.get(), page, pageTarget, &version);
                return why.empty() ? LocalPageResult::drawn : LocalPageResult::failed;
            }
            PageParcel parcel;
            const SiteParcels::Result made = ownPages->record(page, pageTarget, parcel, why);
            if (made == SiteParcels::Result::failed) return LocalPageResult::failed;
            if (made == SiteParcels::Result::unjoinable) return LocalPageResult::unjoinable;
            if (site->take(page, std::move(parcel))) return LocalPageResult::drawn;
            if (!site->joinable()) return LocalPageResult::unjoinable;
            why = site->failure();
            return LocalPageResult::failed;
        };
        std::string error;
        const PageSplitOutcome split = renderInProcesses(request, pageDone, [this] { return shouldContinue(); }, error,
                                                         site ? &*site : nullptr, drawOwn, writeFrame);
        ownPages.reset();
        observer_.pageProgress(0);
        if (version > 0) observer_.pdfVersionText(format("%%PDF-%.1f", static_cast<double>(version)));
        if (split == PageSplitOutcome::stopped) return FileOutcome::stopped;
        if (split == PageSplitOutcome::failed) return fail(outsideNames(error, staging, plan.destination));
        if (split == PageSplitOutcome::done) {
            if (site && site->pdfVersion() > 0)
                observer_.pdfVersionText(format("%%PDF-%.1f", static_cast<double>(site->pdfVersion())));
            // The web fonts are written here, where a failure is heard: closing the document
            // would write them too, but it cannot say that it failed.
            if (site && !htmlWriterState().finishFile())
                return fail(outsideNames(htmlWriterState().lastError(), staging, plan.destination));
            handle.reset();
            if (!output.commit()) return fail(output.error());
            return FileOutcome::converted;
        }
        // The pages could not be joined as one process would have written them (a document
        // near the web fonts' limits): this process writes them all over again. The web fonts
        // of the pages joined so far go unwritten, and opening the file again starts the
        // writer afresh.
        htmlWriterState().startFile();
        handle.reset();
        opened = openPdf(source.c_str(), owner.c_str(), user.c_str(), zoom);
        if (opened.handle == nullptr) return fail(openFailureText(source, opened.failure, opened.errorNumber));
        handle.reset(opened.handle);
        if (std::string why; !writeFrame(why)) return fail(why);
    }
    for (int i = first; i <= last; ++i) {
        if (!waitWhilePaused()) {
            observer_.pageProgress(0);
            return FileOutcome::stopped;
        }
        const int left = static_cast<int>(std::max<size_t>(queued(), 1));
        observer_.filesLeftText(format("%d file(s) left.", left));
        observer_.fileProgress(99 / left);
        observer_.pageText(format("page %d of %d", i - first + 1, pages));
        observer_.pageProgress((100 * (i - first) + 99) / pages);
        float version = 0;
        const std::string error = renderOnePage(handle.get(), i, pageTarget, &version);
        if (!error.empty()) return fail(outsideNames(error, staging, plan.destination));
        if (version > 0) observer_.pdfVersionText(format("%%PDF-%.1f", static_cast<double>(version)));
        if (!shouldContinue()) {
            observer_.pageProgress(0);
            return FileOutcome::stopped;
        }
    }
    if (!bmp && !htmlWriterState().finishFile()) return fail(outsideNames(htmlWriterState().lastError(), staging, plan.destination));
    handle.reset();
    observer_.pageProgress(0);
    if (!output.commit()) return fail(output.error());
    return FileOutcome::converted;
}

}  // namespace qm

#include "app/worker.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "convert/html_writer_state.h"
#include "convert/path_parts.h"
#include "convert/settings.h"
#include "convert/site_pages.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"
#include "platform/system/process.h"
#include "platform/system/trash.h"
#include "quillmark.h"

namespace qm {

namespace {

constexpr int kMaxPage = 100000;

std::string format(const char* pattern, auto... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, values...);
    return buffer;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
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

}  // namespace

std::string fileSizeText(long long size) {
    if (size / 1024 <= 1023) return format("%lld<%.2fK>", size, static_cast<double>(size) / 1024.0);
    return format("%lld<%.2fM>", size, static_cast<double>(size) / 1048576.0);
}

std::string bmpPagePath(const std::string& source, int page) { return format("%s_%03d.bmp", source.c_str(), page); }

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
    return running_ && !stop_;
}

bool ConversionWorker::shouldContinue() const {
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
    bool lastFailed = false;
    std::string lastOutput;
    while (takeHead(job)) {
        lastOutput = job.output;
        bool skipped = false;
        bool bmp = Settings::readInt(Setting::convertType) == kConvertToBmp;
        if (fileExists(job.output) && !flags_.overwrite && !Settings::readFlag(Setting::overwrite)) {
            std::string question = job.output + " already exists. Overwrite it? Select Cancel to skip the file.";
            switch (observer_.askOverwrite(job.output, question)) {
            case OverwriteAnswer::yes:
                break;
            case OverwriteAnswer::no: {
                std::string picked = observer_.askOutputPath(job.output, bmp);
                if (!picked.empty()) {
                    // The picked name becomes the site folder.
                    job.output = std::string(folderOf(picked)) + std::string(baseNameOf(picked)) + "/index.htm";
                    lastOutput = job.output;
                }
                break;
            }
            case OverwriteAnswer::cancel:
                skipped = true;
                break;
            }
        }
        bool ok = true;
        if (!skipped) ok = convertOneFile(job.source, job.output);
        observer_.fileFinished(job.source, job.output, ok, skipped);
        lastFailed = !ok;
        if (!ok || skipped) allWell = false;
        removeHead();
        std::lock_guard lock(mutex_);
        if (!running_) break;
    }
    observer_.queueFinished(!allWell);
    if (!lastFailed && Settings::readFlag(Setting::preview) && !lastOutput.empty()) {
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

bool ConversionWorker::convertOneFile(const std::string& source, const std::string& output) {
    const bool continuous = Settings::readFlag(Setting::continuousMode);
    const bool bmp = Settings::readInt(Setting::convertType) == kConvertToBmp;
    observer_.fileStarted(source);
    struct stat info {};
    if (::stat(source.c_str(), &info) == 0) observer_.fileSizeText(fileSizeText(info.st_size));
    const int zoom = Settings::readInt(Setting::zoom);

    const std::string folder = outputFolder(output);
    if (!bmp) {
        if (!makeDirectoryPath(folder)) {
            observer_.message(source, "Couldn't create the folder '" + folder + "'.");
            return false;
        }
        if (!continuous) {
            const std::string site = dataDirectory() + "/site/";
            copyFilesMatching(site + "pg_*.gif", folder);
            copyFilesMatching(site + "pg_*.htm", folder);
        }
    }

    int first = 1;
    int last = kMaxPage;
    const bool range = Settings::readInt(Setting::pageRangeType) == 1;
    if (range) {
        first = Settings::readInt(Setting::pageFrom);
        last = Settings::readInt(Setting::pageTo);
        if (last < first || first < 0 || last < 0) {
            observer_.message(source, "Page range is incorrect,Please check it in option dialog,and try again.");
            return false;
        }
    }

    const std::string owner = Settings::readText(Setting::ownerPassword);
    const std::string user = Settings::readText(Setting::userPassword);
    HandlePtr handle(PDF_Open(source.c_str(), owner.c_str(), user.c_str(), zoom));
    if (!handle) {
        observer_.message(source, format("Can't extract the information from the '%s' file, this pdf file perhaps been "
                                         "encrypted, please double check this pdf file.",
                                         source.c_str()));
        observer_.pageProgress(0);
        return false;
    }
    const int count = PDF_GetPageCount(handle.get());
    if (range) {
        first = std::max(first, 1);
        last = std::min(last, count);
    } else {
        first = 1;
        last = count;
    }
    if (last < first) {
        observer_.message(source, format("The '%s' file only contain %d pages, please correct the page range in the "
                                         "setting dialog and try again.",
                                         source.c_str(), count));
        return false;  // the handle closes here
    }

    if (!bmp) {
        SiteOptions site;
        site.customTitle = Settings::readInt(Setting::pageTitleKind) == 1;
        site.customTitleText = Settings::readText(Setting::pageTitle);
        site.keywords = Settings::readText(Setting::pageKeywords);
        site.homeLink = Settings::readFlag(Setting::homepageEnabled);
        site.homeAddress = Settings::readText(Setting::homepageUrl);
        char listing[4096] = {0};
        std::string listingPath;
        if (PDF_GetBookmark(handle.get(), listing, sizeof listing) == 1) listingPath = listing;
        writeSitePages(folder, std::string(baseNameOf(source)), first, last, site, listingPath);
        if (continuous) std::remove(output.c_str());
    }

    htmlWriterState().startFile();

    const int pages = last - first + 1;
    for (int i = first; i <= last; ++i) {
        if (!waitWhilePaused()) break;
        const int left = static_cast<int>(std::max<size_t>(queued(), 1));
        observer_.filesLeftText(format("%d file(s) left.", left));
        observer_.fileProgress(99 / left);
        observer_.pageText(format("page %d of %d", i - first + 1, pages));
        observer_.pageProgress((100 * (i - first) + 99) / pages);
        if (!bmp) {
            PageObject* page = PDF_GetPageObject(handle.get(), i);
            if (page != nullptr) observer_.pdfVersionText(format("%%PDF-%.1f", static_cast<double>(page->pdfVersion)));
            if (page != nullptr) convertOnePage(handle.get(), first, page, i, output);
            PDF_DestroyPageObject(page);
        } else {
            void* bitmap = PDF_GetPageBmp(handle.get(), i);
            if (bitmap != nullptr && PDF_WriteToBMPFile(bitmap, bmpPagePath(source, i).c_str()) != 1) {
                observer_.message(source, "Couldn't write '" + bmpPagePath(source, i) + "'.");
            }
            PDF_DestroyPageBmp(bitmap);
        }
        if (!shouldContinue()) break;
    }
    handle.reset();
    observer_.pageProgress(0);

    if (!bmp && continuous) {
        // The site pages were only needed for the frameset; the single page stays.
        trashFilesMatching(folder + "/pg_*.htm");
        if (Settings::readFlag(Setting::removePictures)) {
            copyFile(folder + "/index.htm", folder + ".htm");
            deleteFolderTree(folder);
        }
    }
    return true;
}

void ConversionWorker::convertOnePage(PdfHandle* handle, int first, PageObject* page, int pageNumber,
                                      const std::string& output) {
    const std::string path = pageFilePath(output, first, pageNumber);
    HtmlLinkList* links = nullptr;
    if (Settings::readFlag(Setting::enableLinks)) links = PDF_GetPageHtmLink(handle, pageNumber);
    PDF_ConvertToHtmlFile(page, links, path.c_str());
    PDF_DestroyHtmLink(links);
}

}  // namespace qm

#pragma once
// The conversion worker: a queue of (PDF, output) jobs worked off one at a time on a thread of
// its own, each PDF becoming an HTML page set or one BMP image per page. Pause, resume and
// stop are requests the worker honours between pages; shutdown ends the thread and joins it.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/worker_observer.h"

struct PdfHandle;
struct PageObject;

namespace qm {

struct ConversionJob {
    std::string source;  // the PDF file
    std::string output;  // FOLDER/NAME/index.htm: the site folder of an HTML job
    // BMP jobs write STEM_001.bmp, STEM_002.bmp, ...; empty means beside the PDF, named
    // after it (report.pdf_001.bmp).
    std::string bmpStem = {};
};

// Flags of the process that change how the worker asks and reports.
struct WorkerFlags {
    bool overwrite = false;       // replace existing outputs without asking
    bool mayOpenBrowser = false;  // the preview setting may open the last site (the window)
    // Set from a signal handler: the current file stops as by stop() and the queue ends.
    const std::atomic<bool>* interrupted = nullptr;
    // More than one: the pages of a file (but not of a continuous page) are written by this
    // many page processes at once, started with `pageSwitches`.
    int pageProcesses = 1;
    std::vector<std::string> pageSwitches = {};
};

class ConversionWorker {
public:
    explicit ConversionWorker(WorkerObserver& observer, WorkerFlags flags = {});
    ~ConversionWorker();  // shuts down and joins
    ConversionWorker(const ConversionWorker&) = delete;
    ConversionWorker& operator=(const ConversionWorker&) = delete;

    // Starts the thread; false when it could not be started.
    bool start();
    // Asks the thread to end after the current page (the current file's clean-up still runs)
    // and waits for it.
    void shutdown();

    void enqueue(ConversionJob job);
    size_t queued() const;
    bool busy() const;

    // Stop: the current file ends after its current page, the queue is emptied.
    void stop();
    // Pause holds the worker before its next page until resume (or stop or shutdown).
    void pause();
    void resume();
    bool paused() const;

    // Works off the queue on the calling thread and returns when it is empty (the command
    // line uses this; no thread is needed). False when any job failed, was skipped or stopped.
    bool runQueue();

    // One job, on the calling thread. Existing outputs are replaced only with the overwrite
    // flag or setting, or when the observer agrees. Whatever the outcome other than
    // converted, the user's folders are left as they were.
    FileOutcome convertJob(ConversionJob job);
    // The same for an HTML job (or a BMP job beside the PDF): true when the file converted.
    bool convertOneFile(const std::string& source, const std::string& output) {
        return convertJob({source, output, {}}) == FileOutcome::converted;
    }

private:
    void threadMain();
    // One pass over the queue: every job until it is empty. Returns whether all went well.
    bool workOffQueue();
    bool takeHead(ConversionJob& job);
    void removeHead();
    // Waits while paused; false when the worker should stop (stop or shutdown requested).
    bool waitWhilePaused();
    bool shouldContinue() const;

    WorkerObserver& observer_;
    WorkerFlags flags_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<ConversionJob> queue_;
    bool running_ = true;
    bool stop_ = false;
    bool paused_ = false;
    bool busy_ = false;
    std::thread thread_;
};

// "123456<120.56K>" or "5242880<5.00M>".
std::string fileSizeText(long long size);

// The BMP file of page `page` for a stem: "STEM_001.bmp" ("report.pdf_001.bmp" beside the PDF).
std::string bmpPagePath(const std::string& stem, int page);

// The page file for page `pageNumber` of a range starting at `first`, beside `output`:
// FOLDER/pg_0003.htm for the third page of the range.
std::string pageFilePath(const std::string& output, int first, int pageNumber);

}  // namespace qm

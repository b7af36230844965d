#pragma once
// Passes everything on to the observer that reports to the user, and writes each finished
// file's record to the results log.
#include <chrono>
#include <string>

#include "app/worker_observer.h"

namespace qm {

class ResultsObserver : public WorkerObserver {
public:
    ResultsObserver(WorkerObserver& inner, std::string logPath) : inner_(inner), logPath_(std::move(logPath)) {}

    void busyChanged(bool busy) override { inner_.busyChanged(busy); }
    void fileStarted(const std::string& source) override;
    void fileSizeText(const std::string& text) override { inner_.fileSizeText(text); }
    void pdfVersionText(const std::string& text) override { inner_.pdfVersionText(text); }
    void pageText(const std::string& text) override;
    void filesLeftText(const std::string& text) override { inner_.filesLeftText(text); }
    void fileProgress(int percent) override { inner_.fileProgress(percent); }
    void pageProgress(int percent) override { inner_.pageProgress(percent); }
    void message(const std::string& file, const std::string& text) override;
    OverwriteAnswer askOverwrite(const std::string& output, const std::string& question) override;
    std::string askOutputPath(const std::string& output, bool bmp) override { return inner_.askOutputPath(output, bmp); }
    void fileFinished(const std::string& source, const std::string& output, FileOutcome outcome) override;
    void queueFinished(bool anyFailed) override { inner_.queueFinished(anyFailed); }

    // Records that could not be written (each was reported as a message too).
    int logFailures() const { return logFailures_; }

private:
    WorkerObserver& inner_;
    std::string logPath_;
    std::chrono::steady_clock::time_point started_{};
    int pages_ = 0;
    std::string messages_;
    int logFailures_ = 0;
};

}  // namespace qm

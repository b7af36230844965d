#pragma once
// The worker's observer for runs without a window: every message is one line on standard
// error naming its file, nothing waits for an answer, and progress is one updating line
// when standard error is a terminal (silent otherwise).
#include <cstdio>
#include <string>

#include "app/worker_observer.h"

namespace qm {

class CliObserver : public WorkerObserver {
public:
    // `out` is where lines go (standard error); `terminal` turns the progress line on.
    CliObserver(FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    void busyChanged(bool busy) override;
    void fileStarted(const std::string& source) override;
    void fileSizeText(const std::string&) override {}
    void pdfVersionText(const std::string&) override {}
    void pageText(const std::string& text) override;
    void filesLeftText(const std::string&) override {}
    void fileProgress(int) override {}
    void pageProgress(int) override {}
    void message(const std::string& file, const std::string& text) override;
    OverwriteAnswer askOverwrite(const std::string& output, const std::string& question) override;
    std::string askOutputPath(const std::string&, bool) override { return ""; }
    void fileFinished(const std::string& source, const std::string& output, FileOutcome outcome) override;
    void queueFinished(bool anyFailed) override;

    int failures() const { return failures_; }  // failed, skipped or stopped
    int stopped() const { return stopped_; }

private:
    void clearProgress();
    void writeLine(const std::string& line);

    FILE* out_;
    bool terminal_;
    bool progressShown_ = false;
    std::string file_;
    int failures_ = 0;
    int stopped_ = 0;
};

}  // namespace qm

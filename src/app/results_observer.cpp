#include "app/results_observer.h"

#include "app/results_log.h"

namespace qm {

void ResultsObserver::fileStarted(const std::string& source) {
    started_ = std::chrono::steady_clock::now();
    pages_ = 0;
    messages_.clear();
    inner_.fileStarted(source);
}

void ResultsObserver::pageText(const std::string& text) {
    // The worker announces every page it takes up once.
    ++pages_;
    inner_.pageText(text);
}

void ResultsObserver::message(const std::string& file, const std::string& text) {
    if (!messages_.empty()) messages_ += "\n";
    messages_ += text;
    inner_.message(file, text);
}

OverwriteAnswer ResultsObserver::askOverwrite(const std::string& output, const std::string& question) {
    OverwriteAnswer answer = inner_.askOverwrite(output, question);
    if (answer == OverwriteAnswer::cancel) {
        if (!messages_.empty()) messages_ += "\n";
        messages_ += output + " already exists; skipped (-r replaces it)";
    }
    return answer;
}

void ResultsObserver::fileFinished(const std::string& source, const std::string& output, FileOutcome outcome) {
    const bool skipped = outcome == FileOutcome::skipped;
    ResultRecord record;
    record.path = source;
    record.output = output;
    record.status = outcome == FileOutcome::converted ? "converted"
                    : skipped                          ? "skipped"
                    : outcome == FileOutcome::stopped  ? "stopped"
                                                       : "failed";
    record.pages = skipped ? 0 : pages_;
    if (!skipped) {
        record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    }
    record.message = messages_;
    messages_.clear();
    pages_ = 0;
    inner_.fileFinished(source, output, outcome);
    const std::string error = appendResultLine(logPath_, resultLine(record));
    if (!error.empty()) {
        ++logFailures_;
        inner_.message(source, "couldn't write to the results log '" + logPath_ + "': " + error);
    }
}

}  // namespace qm

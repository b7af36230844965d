#include "app/cli_observer.h"

#include "convert/path_parts.h"

namespace qm {

void CliObserver::clearProgress() {
    if (!progressShown_) return;
    std::fputs("\r\033[K", out_);
    progressShown_ = false;
}

void CliObserver::writeLine(const std::string& line) {
    clearProgress();
    std::fprintf(out_, "vellumix: %s\n", line.c_str());
    std::fflush(out_);
}

void CliObserver::busyChanged(bool busy) {
    if (!busy) clearProgress();
}

void CliObserver::fileStarted(const std::string& source) { file_ = source; }

void CliObserver::pageText(const std::string& text) {
    if (!terminal_) return;
    std::fprintf(out_, "\r\033[K%s: %s", std::string(fileNameOf(file_)).c_str(), text.c_str());
    std::fflush(out_);
    progressShown_ = true;
}

void CliObserver::message(const std::string& file, const std::string& text) {
    // Most messages name their file already; the others get it in front.
    if (file.empty() || text.find(file) != std::string::npos) {
        writeLine(text);
    } else {
        writeLine(file + ": " + text);
    }
}

OverwriteAnswer CliObserver::askOverwrite(const std::string& output, const std::string&) {
    writeLine(output + " already exists; skipped (-r replaces it)");
    return OverwriteAnswer::cancel;
}

void CliObserver::fileFinished(const std::string& source, const std::string&, FileOutcome outcome) {
    if (outcome == FileOutcome::converted) return;
    ++failures_;
    if (outcome == FileOutcome::stopped) {
        ++stopped_;
        writeLine(source + ": stopped; nothing of it was written");
    }
}

void CliObserver::queueFinished(bool) { clearProgress(); }

}  // namespace qm

#pragma once
// What the conversion worker tells the outside world. The worker knows no widgets: the window
// implements this with signals queued to its own thread, the command line with standard error.
// Every call comes from the worker's thread.
#include <string>

namespace qm {

enum class OverwriteAnswer { yes, no, cancel };

// How one job ended. Only a converted job leaves files behind.
enum class FileOutcome { converted, failed, skipped, stopped };

class WorkerObserver {
public:
    virtual ~WorkerObserver() = default;

    // The worker took up the queue (true) or found it empty again (false). While busy, Open and
    // Options are refused and Pause is offered; when idle, every text below is cleared.
    virtual void busyChanged(bool busy) = 0;

    // A file's conversion starts; the texts follow as they become known.
    virtual void fileStarted(const std::string& source) = 0;
    virtual void fileSizeText(const std::string& text) = 0;    // "123456<120.56K>"
    virtual void pdfVersionText(const std::string& text) = 0;  // "%PDF-1.4"
    virtual void pageText(const std::string& text) = 0;        // "page 2 of 14"
    virtual void filesLeftText(const std::string& text) = 0;   // "3 file(s) left."
    virtual void fileProgress(int percent) = 0;                // 0..100
    virtual void pageProgress(int percent) = 0;                // 0..100

    // A message about `file` (bad page range, unreadable file, ...), to be shown with an OK
    // button or written as one line.
    virtual void message(const std::string& file, const std::string& text) = 0;

    // The output exists and overwriting is off: `question` is the full question text.
    virtual OverwriteAnswer askOverwrite(const std::string& output, const std::string& question) = 0;
    // After "No": a path the user picks for the output, or "" to keep it. `bmp` selects the
    // BMP file filter instead of the HTML one.
    virtual std::string askOutputPath(const std::string& output, bool bmp) = 0;

    // One job is done: converted, failed (a message said why), skipped (not converted at the
    // user's wish) or stopped (by stop, shutdown or an interrupt).
    virtual void fileFinished(const std::string& source, const std::string& output, FileOutcome outcome) = 0;

    // The queue has been worked off. `anyFailed`: some job of this run failed or was skipped.
    virtual void queueFinished(bool anyFailed) = 0;
};

}  // namespace qm

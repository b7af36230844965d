#pragma once
// The results log of a batch: one JSON line per input file, appended as each file finishes,
// so a run that stops half way (or a task of a job array) leaves a record another run can
// resume from. Several processes, on several machines, may append to one log at once.
#include <string>
#include <unordered_set>

namespace qm {

struct ResultRecord {
    std::string path;    // the PDF as the run named it
    std::string output;  // the output it wrote (the site's index.htm, or the first page image)
    std::string status;  // "converted", "failed", "skipped" or "stopped" (interrupted)
    int pages = 0;
    double seconds = 0;
    std::string message;  // the file's messages, "" when all went well
};

// The record as one JSON line, '\n' included.
std::string resultLine(const ResultRecord& record);

// Appends `line` to `logPath` in one write under a lock on the file, so lines of concurrent
// writers never interleave (also on NFS, where O_APPEND alone is not atomic). "" on success,
// else the reason.
std::string appendResultLine(const std::string& logPath, const std::string& line);

struct DoneList {
    std::unordered_set<std::string> converted;  // paths whose latest record says "converted"
    std::string error;                          // set when the log exists but cannot be read
};

// The paths a results log records as converted, the latest record of a path winning. A log
// that does not exist yet is empty; lines that are not records (a line cut short when a run
// was killed) are passed over.
DoneList readDoneList(const std::string& logPath);

}  // namespace qm

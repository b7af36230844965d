#pragma once
// Which files a command-line run converts, and into which outputs: the files named on the
// command line and in --list, one output each, this task's share of them, less those a
// results log records as converted already.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/worker.h"

namespace qm {

struct BatchPlan {
    std::vector<ConversionJob> jobs;
    size_t alreadyDone = 0;  // passed over because --skip-done records them
    int exitStatus = -1;     // 0 or more: nothing to convert, end with this status
    std::string error;       // why, for a status of 1 or 2
};

// `getenv` is std::getenv outside tests.
BatchPlan planBatch(const CommandLine& options, const char* (*getenv)(const char*));

// Makes every job's site folder its own: a later job whose folder an earlier job of the list
// already has gets NAME_2, NAME_3, ... (the first free one), the same in every task of an
// array since each task plans the whole list. A folder named "." or ".." (from a PDF named
// "..pdf" or "...pdf") is never used as it is. Without `renameRepeats` only such folders are
// renamed, and files that share a folder are left for the caller to refuse.
void separateOutputs(std::vector<ConversionJob>& jobs, bool renameRepeats = true);

}  // namespace qm

#pragma once
// vellumix without a window: parse the command line, apply its switches for this run only,
// convert every file, and return the exit status (0 all converted, 1 any failed or skipped,
// 2 usage error, 130 interrupted by SIGINT or SIGTERM).
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/worker.h"

namespace qm {

inline constexpr const char* kProgramVersion = "1.6";

int runCommandLine(int argc, const char* const* argv);

// Puts the switches of `options` in force as overrides of the settings (never written).
void applyOverrides(const CommandLine& options);

// The jobs the command line names: one per PDF, with its site folder's index.htm (and, with
// --bmp and -o, the stem of its BMP files).
std::vector<ConversionJob> jobsFor(const CommandLine& options);

// Why these jobs cannot run together: two of them would write the same outputs ("" when
// all are distinct). Checked before any work starts.
std::string clashingOutputs(const std::vector<ConversionJob>& jobs, bool bmp);

// Converts the jobs in worker processes, at most `jobs` at once; each process gets `switches`
// (the run's switches without files, outputs and --jobs). Returns the exit status.
// A worker that dies records its file as failed in `resultsLog` (when given).
int runInProcesses(const std::vector<ConversionJob>& work, const std::vector<std::string>& switches, int jobs,
                   const std::string& resultsLog = "");

}  // namespace qm

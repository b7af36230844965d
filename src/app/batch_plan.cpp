#include "app/batch_plan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "app/batch_list.h"
#include "app/cli_main.h"
#include "app/results_log.h"
#include "app/task_share.h"
#include "convert/path_parts.h"

namespace qm {

void separateOutputs(std::vector<ConversionJob>& jobs, bool renameRepeats) {
    std::unordered_set<std::string> taken;
    taken.reserve(jobs.size() * 2);
    for (const ConversionJob& job : jobs) taken.insert(job.output);
    std::unordered_set<std::string> used;
    used.reserve(jobs.size() * 2);
    std::unordered_map<std::string, int> nextSuffix;
    for (ConversionJob& job : jobs) {
        // FOLDER/NAME/index.htm: the site folder is the last folder of the path. A PDF named
        // "...pdf" or "..pdf" would make it ".." or ".", a folder that is not its own.
        std::string site(folderOf(job.output));
        if (!site.empty()) site.pop_back();
        const std::string_view name = fileNameOf(site);
        const bool dots = name == "." || name == "..";
        if (!dots && (used.insert(job.output).second || !renameRepeats)) continue;
        const std::string file(fileNameOf(job.output));
        // Many files of one name search on from where the last of them stopped.
        int& next = nextSuffix[site];
        for (int n = std::max(next, 2);; ++n) {
            std::string candidate = site + "_" + std::to_string(n) + "/" + file;
            if (!taken.count(candidate)) {
                taken.insert(candidate);
                used.insert(candidate);
                job.output = std::move(candidate);
                next = n + 1;
                break;
            }
        }
    }
}

BatchPlan planBatch(const CommandLine& options, const char* (*getenv)(const char*)) {
    BatchPlan plan;
    CommandLine all = options;
    if (!options.list.empty()) {
        BatchList list = readBatchList(options.list);
        if (!list.error.empty()) {
            plan.exitStatus = 1;
            plan.error = "couldn't read the list '" + options.list + "': " + list.error;
            return plan;
        }
        all.inputs.insert(all.inputs.end(), list.files.begin(), list.files.end());
        // With a list the output is always a folder that holds one site per file.
        if (!all.output.empty() && all.output.back() != '/') all.output += '/';
    }
    if (all.inputs.empty()) {
        if (options.list.empty()) {
            plan.exitStatus = 2;
            plan.error = "no PDF file given";
        } else {
            plan.exitStatus = 0;  // an empty list is converted at once
        }
        return plan;
    }
    std::vector<ConversionJob> jobs = jobsFor(all);
    // Archives repeat names; files named one by one on the command line are refused instead
    // when they would share a site.
    separateOutputs(jobs, !options.list.empty());
    if (options.format == OutputFormat::png || options.format == OutputFormat::svg) {
        // Page pictures go into the folder the site would have: its path is the output.
        for (ConversionJob& job : jobs) job.output = std::string(folderOf(job.output));
    }

    TaskShareResult share = resolveTaskShare(options.taskIndex, options.taskCount, !options.list.empty(), getenv);
    if (!share.share) {
        plan.exitStatus = 2;
        plan.error = share.error;
        return plan;
    }
    DoneList done;
    if (!options.skipDone.empty()) {
        done = readDoneList(options.skipDone);
        if (!done.error.empty()) {
            plan.exitStatus = 1;
            plan.error = "couldn't read the results log '" + options.skipDone + "': " + done.error;
            return plan;
        }
    }
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!inShare(i, *share.share)) continue;
        if (done.converted.count(jobs[i].source)) {
            ++plan.alreadyDone;
            continue;
        }
        plan.jobs.push_back(std::move(jobs[i]));
    }
    if (plan.jobs.empty()) plan.exitStatus = 0;
    return plan;
}

}  // namespace qm

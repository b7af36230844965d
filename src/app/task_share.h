#pragma once
// One task's share of a batch, so one list spreads over the tasks of any scheduler's array:
// task I of N takes every N-th file starting with the I-th (counting from 0), which spreads
// runs of large files over all tasks.
#include <optional>
#include <string>

namespace qm {

struct TaskShare {
    int index = 0;
    int count = 1;
};

struct TaskShareResult {
    std::optional<TaskShare> share;  // set when the share is known
    std::string error;               // otherwise why not
};

// The share from --task-index/--task-count, each defaulting to the job array's
// SLURM_ARRAY_TASK_ID (less SLURM_ARRAY_TASK_MIN) and SLURM_ARRAY_TASK_COUNT when `useArray`
// (only lists take their default from the array: one file per task must not be shared out).
// `getenv` is std::getenv outside tests.
TaskShareResult resolveTaskShare(std::optional<int> index, std::optional<int> count, bool useArray,
                                 const char* (*getenv)(const char*));

// Whether item `position` of a list belongs to `share`.
inline bool inShare(size_t position, const TaskShare& share) {
    return position % static_cast<size_t>(share.count) == static_cast<size_t>(share.index);
}

}  // namespace qm

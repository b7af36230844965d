#include "app/task_share.h"

#include <charconv>
#include <cstring>

namespace qm {

namespace {

// A variable's value as a number; "" in `error` when unset.
std::optional<int> numberFrom(const char* name, const char* (*getenv)(const char*), std::string& error) {
    const char* value = getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    int number = 0;
    const char* end = value + std::strlen(value);
    auto [stop, ec] = std::from_chars(value, end, number);
    if (ec != std::errc() || stop != end || number < 0) {
        error = std::string(name) + " is not a number ('" + value + "')";
        return std::nullopt;
    }
    return number;
}

}  // namespace

TaskShareResult resolveTaskShare(std::optional<int> index, std::optional<int> count, bool useArray,
                                 const char* (*getenv)(const char*)) {
    TaskShareResult result;
    std::string error;
    if (useArray && !index) {
        index = numberFrom("SLURM_ARRAY_TASK_ID", getenv, error);
        if (index) {
            std::optional<int> min = numberFrom("SLURM_ARRAY_TASK_MIN", getenv, error);
            if (min && *min <= *index) *index -= *min;
        }
    }
    if (useArray && !count) count = numberFrom("SLURM_ARRAY_TASK_COUNT", getenv, error);
    if (!error.empty()) {
        result.error = error;
        return result;
    }
    if (!index && !count) {
        result.share = TaskShare{};
        return result;
    }
    if (!index || !count) {
        result.error = index ? "--task-index needs --task-count" : "--task-count needs --task-index";
        return result;
    }
    if (*count < 1 || *index < 0 || *index >= *count) {
        result.error = "task " + std::to_string(*index) + " is not one of " + std::to_string(*count) + " tasks (0 to " +
                       std::to_string(*count - 1) + ")";
        return result;
    }
    result.share = TaskShare{*index, *count};
    return result;
}

}  // namespace qm

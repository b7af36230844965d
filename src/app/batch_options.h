#pragma once
// The command line's switches for batches and output formats that take a text: --format,
// --list, --results and --skip-done.
#include <string>
#include <string_view>

namespace qm {

struct CommandLine;

// Stores the value of the long switch `name`; returns an error text or "".
std::string applyBatchText(CommandLine& out, std::string_view name, std::string_view value);

}  // namespace qm

#pragma once
// A list of PDF files for a batch: one path per line, as `find ... > list` writes it.
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct BatchList {
    std::vector<std::string> files;
    std::string error;  // set when the list cannot be read or a line cannot be a path
};

// Lines end in "\n" or "\r\n"; blank lines are passed over; every other line is one path,
// spaces included. A line with a NUL byte or longer than a path can be is an error.
BatchList parseBatchList(std::string_view text);

// Reads the list from `path`, or from standard input for "-".
BatchList readBatchList(const std::string& path);

}  // namespace qm

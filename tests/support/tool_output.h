#pragma once
// Runs a command line through the shell and returns what it wrote to standard output.
#include <string>

namespace qm::test {

std::string commandOutput(const std::string& command);
// The output of the built quillmark-inspect with `args` (its messages are not captured).
std::string inspectOutput(const std::string& args);

}  // namespace qm::test

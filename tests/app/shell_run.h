#pragma once
// Commands through the shell for the tests that run the built programs: exit status and
// everything written to standard output and standard error.
#include <string>

namespace qm::test {

struct Shell {
    int status = -1;  // -1 when it did not exit normally
    std::string out;
};

Shell shell(const std::string& command);

// `s` quoted for the shell, single quotes included.
std::string quoted(const std::string& s);

// The built vellumix with `args` (quoted already), without a display, its settings in
// `configHome`.
Shell runVellumix(const std::string& args, const std::string& configHome, const std::string& stdinFile = "");

}  // namespace qm::test

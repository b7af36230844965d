#pragma once
// Runs the built vellumix as a user or a script would, without a display, with its settings
// and data folders inside `home`.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace qm::test {

struct Outcome {
    int status = -1;
    std::string out;  // standard output and standard error together
};

// `args` are already quoted for the shell; `prefix` runs first in the same shell (a ulimit).
inline Outcome vellumix(const std::string& args, const std::string& home, const std::string& prefix = "") {
    std::string command = prefix + "exec env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + home +
                          "/config' XDG_DATA_HOME='" + home + "/data' '" + std::string(QM_BINARY_DIR) +
                          "/vellumix' " + args + " 2>&1";
    Outcome run;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) run.out.append(buffer, n);
    int status = ::pclose(p);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace qm::test

#include "app/shell_run.h"

#include <sys/wait.h>

#include <cstdio>

namespace qm::test {

Shell shell(const std::string& command) {
    Shell run;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) run.out.append(buffer, n);
    const int rc = ::pclose(p);
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return run;
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Shell runVellumix(const std::string& args, const std::string& configHome, const std::string& stdinFile) {
    return shell("env -u DISPLAY -u WAYLAND_DISPLAY -u SLURM_ARRAY_TASK_ID -u SLURM_ARRAY_TASK_COUNT XDG_CONFIG_HOME=" +
                 quoted(configHome) + " " + quoted(std::string(QM_BINARY_DIR) + "/vellumix") + " " + args +
                 (stdinFile.empty() ? "" : " < " + quoted(stdinFile)));
}

}  // namespace qm::test

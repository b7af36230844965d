#include "support/tool_output.h"

#include <cstdio>

namespace qm::test {

std::string commandOutput(const std::string& command) {
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return "<popen failed>";
    std::string out;
    char buf[16384];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
    return out;
}

std::string inspectOutput(const std::string& args) {
    return commandOutput(std::string(QM_BINARY_DIR) + "/quillmark-inspect " + args);
}

}  // namespace qm::test

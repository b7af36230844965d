#include "platform/system/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "core/report_error.h"

extern char** environ;

namespace qm {

namespace {

// Starts argv[0] with argv; returns the process id or -1.
pid_t spawn(const std::vector<std::string>& args) {
    if (args.empty() || args[0].empty()) return -1;
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Only the standard streams go to the child, as no handles are inherited otherwise.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        reportError(-1, "Couldn't start '%s': %s", args[0].c_str(), std::strerror(rc));
        return -1;
    }
    return pid;
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void reapInBackground(pid_t pid) {
    std::thread([pid] { waitForExit(pid); }).detach();
}

}  // namespace

bool spawnThisProgram(std::vector<std::string> args, int stream, PipedProcess& process, bool withInput,
                      int inherited) {
    int out[2];
    int in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0) return false;
    if (withInput && ::pipe2(in, O_CLOEXEC) != 0) {
        const int why = errno;
        ::close(out[0]);
        ::close(out[1]);
        errno = why;
        return false;
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], stream);
    if (withInput) posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    // A descriptor copied onto itself would keep its close-on-exec flag: it goes through
    // another number first.
    const int copy = inherited == kInheritedDescriptor ? ::fcntl(inherited, F_DUPFD_CLOEXEC, kInheritedDescriptor + 1)
                                                       : inherited;
    if (copy >= 0) posix_spawn_file_actions_adddup2(&actions, copy, kInheritedDescriptor);
    pid_t pid = -1;
    const int rc = inherited >= 0 && copy < 0 ? errno
                                              : ::posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(),
                                                              environ);
    posix_spawn_file_actions_destroy(&actions);
    if (copy >= 0 && copy != inherited) ::close(copy);
    ::close(out[1]);
    if (withInput) ::close(in[0]);
    if (rc != 0) {
        ::close(out[0]);
        if (withInput) ::close(in[1]);
        errno = rc;
        return false;
    }
    process.pid = pid;
    process.fd = out[0];
    process.input = in[1];
    return true;
}

std::vector<std::string> splitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                size_t start = i;
                while (i < n && line[i] == '\\') ++i;
                size_t count = i - start;
                if (i < n && line[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(count, '\\');
                }
            } else if (line[i] == '"') {
                quoted = !quoted;
                ++i;
            } else {
                arg += line[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

int runAndWait(const char* commandLine) {
    if (!commandLine) return -1;
    std::string command(commandLine);
    bool wait = true;
    if (!command.empty() && command.back() == '&') {
        command.pop_back();
        wait = false;
    } else if (!command.empty() && command.back() == '|') {
        command.pop_back();
    }
    pid_t pid = spawn(splitCommandLine(command));
    if (pid < 0) return -1;
    if (!wait) {
        reapInBackground(pid);
        return 0;
    }
    return waitForExit(pid);
}

bool openInBrowser(const std::string& pathOrAddress) {
    if (pathOrAddress.empty()) return false;
    pid_t pid = spawn({"xdg-open", pathOrAddress});
    if (pid < 0) return false;
    reapInBackground(pid);
    return true;
}

}  // namespace qm

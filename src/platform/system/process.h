#pragma once
// Starting other programs: the external encoder the conversion driver waits for, and the
// user's browser.
#include <string>
#include <vector>

namespace qm {

// Runs a command line and waits for it. A trailing "&" is removed and the program is not
// waited for (result 0 once it has started; it is reaped in the background so it never
// lingers as a zombie); a trailing "|" is removed. Result: the program's exit code; -1 for a
// null command, a program that cannot be started, or one that did not exit normally
// (killed by a signal). The program is found through PATH when its name has no '/', and
// inherits the environment, the current folder and the standard streams but no other open
// files.
int runAndWait(const char* commandLine);

// Splits a command line into arguments: blanks separate arguments, double quotes group, 2n backslashes before a quote give n
// backslashes and a quote toggles grouping, 2n+1 give n backslashes and a literal quote,
// other backslashes are literal.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// This program started again with `args` (args[0] is the name it sees), its standard stream
// `stream` (1 or 2) going into a pipe, and with `withInput` its standard input coming from
// another. `inherited`, when not -1, is a descriptor it gets as kInheritedDescriptor. The
// process id and the pipes' ends are set; false with errno set when it could not be started.
struct PipedProcess {
    int pid = -1;
    int fd = -1;     // what it writes
    int input = -1;  // what it reads (withInput only)
};
constexpr int kInheritedDescriptor = 3;
bool spawnThisProgram(std::vector<std::string> args, int stream, PipedProcess& process, bool withInput = false,
                      int inherited = -1);

// Opens a file or an address with the user's preferred application (xdg-open), without
// waiting. False when the opener could not be started.
bool openInBrowser(const std::string& pathOrAddress);

}  // namespace qm

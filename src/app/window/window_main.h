#pragma once
// vellumix with its window: the command line's files queued and its switches in force for
// this run, until the window closes.
#include "app/command_line.h"

namespace qm {

// Whether a parsed command line opens the window: not for help, the version or -m, and only
// where there is a display to show it on (`display` and `wayland` are $DISPLAY and
// $WAYLAND_DISPLAY, null when unset).
bool opensWindow(const CommandLine& options, const char* display, const char* wayland);

// Runs the window until it closes; returns the program's exit status.
int runWindow(int argc, char** argv, const CommandLine& options);

}  // namespace qm

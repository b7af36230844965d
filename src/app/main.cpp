// vellumix: converts PDF files into HTML page sets or BMP images, in its window or, with -m
// or without a display, on the command line.
#include <cstdlib>

#include "app/cli_main.h"
#include "app/command_line.h"
#include "app/window/window_main.h"

int main(int argc, char** argv) {
    qm::CommandLineResult parsed = qm::parseCommandLine(argc, argv);
    if (parsed.options && qm::opensWindow(*parsed.options, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"))) {
        return qm::runWindow(argc, argv, *parsed.options);
    }
    return qm::runCommandLine(argc, argv);
}

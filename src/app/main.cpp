// vellumix: converts PDF files into HTML page sets or BMP images.
#include "app/cli_main.h"

int main(int argc, char** argv) { return qm::runCommandLine(argc, argv); }

// Writes the manual page vellumix(1) at build time:  vellumix-man-page OUTPUT
#include <cstdio>
#include <string>

#include "app/man_page.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vellumix-man-page OUTPUT\n", stderr);
        return 2;
    }
    const std::string page = qm::manPageText();
    FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(page.data(), 1, page.size(), out) == page.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "vellumix-man-page: couldn't write %s\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}

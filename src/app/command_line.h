#pragma once
// The command line of vellumix: the documented switches with their GNU-style long forms,
// parsed into values that override the profile for one run only.
#include <optional>
#include <string>
#include <vector>

#include "app/output_format.h"

namespace qm {

struct CommandLine {
    // Switches that override a setting; unset means "use the profile".
    std::optional<int> first;            // -f, --first
    std::optional<int> last;             // -l, --last
    std::optional<int> zoom;             // -z, --zoom (50..200)
    bool continuous = false;             // -c, --continuous
    bool removePictures = false;         // -d, --no-pictures
    std::optional<int> charSpacing;      // -b, --char-spacing (0..50)
    std::optional<int> jpegQuality;      // -j, --jpeg-quality (1..100)
    bool grayscale = false;              // -g, --grayscale
    bool antialias = false;              // --antialias
    std::optional<std::string> userPassword;   // -u, --user-password
    std::optional<std::string> ownerPassword;  // -w, --owner-password
    bool bmp = false;                    // --bmp: one BMP image per page instead of HTML
    OutputFormat format = OutputFormat::html;  // --format (--bmp sets bmp)

    // Batches: --list, --results, --skip-done, --task-index, --task-count.
    std::string list;
    std::string results;
    std::string skipDone;
    std::optional<int> taskIndex;
    std::optional<int> taskCount;
    bool noWebFonts = false;             // --no-web-fonts: the browser's faces, not the document's

    // Process flags.
    bool quit = false;       // -q, --quit: exit after converting
    bool noWindow = false;   // -m, --no-window: quiet, messages to standard error
    bool overwrite = false;  // -r, --overwrite
    int jobs = 1;            // --jobs N (1..64): processes, one per file (one file: its pages)

    bool help = false;     // -h, -?, --help
    bool version = false;  // --version

    // PDF files to convert, in order (positional arguments and -i), and the output (-o, or a
    // second positional argument that is not a PDF file). Empty output: beside each PDF.
    std::vector<std::string> inputs;
    std::string output;
};

struct CommandLineResult {
    std::optional<CommandLine> options;  // set when the arguments were understood
    std::string error;                   // one-line reason otherwise
};

// Parses argv[1..argc-1].
CommandLineResult parseCommandLine(int argc, const char* const* argv);

// The usage text printed by --help (lines end in '\n').
std::string usageText();

// The switches as --help lists them, in its order, for the manual page.
struct SwitchDoc {
    char letter;           // 0 for long-only switches
    const char* longName;  // nullptr for short-only switches
    const char* argument;  // nullptr for flags
    const char* usage;
};
std::vector<SwitchDoc> documentedSwitches();

}  // namespace qm

#include "app/command_line.h"

#include "app/batch_options.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace qm {

namespace {

enum class Kind { flag, integer, text };

struct Switch {
    char letter;            // short form after '-'
    const char* longName;   // long form after "--"
    Kind kind;
    const char* argument;   // shown in angle brackets in the usage text
    const char* usage;      // usage line text
    int minimum;            // integers: accepted range
    int maximum;
    size_t maxLength;       // texts: longest accepted value in bytes
};

// The order is the order of the usage text.
constexpr Switch kSwitches[] = {
    {'f', "first", Kind::integer, "page number", "First page to be converted", 1, 1000000000, 0},
    {'l', "last", Kind::integer, "page number", "Last page to be converted", 1, 1000000000, 0},
    {'z', "zoom", Kind::integer, "zoom ratio", "Set zoom ratio when conversion, the range is from 50 to 200", 50, 200, 0},
    {'c', "continuous", Kind::flag, nullptr, "Generate in one continuous html page (NAME/index.htm and its pictures)", 0, 0, 0},
    {'d', "no-pictures", Kind::flag, nullptr, "Remove pictures from the continuous html page (writes NAME.htm only)", 0, 0, 0},
    {'b', "char-spacing", Kind::integer, "space number", "Space between characters", 0, 50, 0},
    {'j', "jpeg-quality", Kind::integer, "jpeg quality", "Set jpeg quality, from 1 to 100", 1, 100, 0},
    {'g', "grayscale", Kind::flag, nullptr, "Set jpeg grayscale", 0, 0, 0},
    {'u', "user-password", Kind::text, "user password", "User password", 0, 0, 100},
    {'w', "owner-password", Kind::text, "owner password", "Owner password", 0, 0, 100},
    {'q', "quit", Kind::flag, nullptr, "Exit after converting", 0, 0, 0},
    {'m', "no-window", Kind::flag, nullptr, "Run without window", 0, 0, 0},
    {'r', "overwrite", Kind::flag, nullptr, "Overwrite an existing destination file without prompting to confirm; only the files this run writes are replaced", 0, 0, 0},
    {'i', nullptr, Kind::text, "input PDF file name", "PDF file will be converted", 0, 0, 4096},
    {'o', nullptr, Kind::text, "output HTML file name", "HTML file will be generated", 0, 0, 4096},
    {'h', "help", Kind::flag, nullptr, "Print usage information", 0, 0, 0},
    // Beyond the classic switches: long forms only.
    {0, "bmp", Kind::flag, nullptr, "Write one BMP image per page instead of HTML (-o FOLDER/ or -o NAME.bmp), as --format bmp does", 0, 0, 0},
    {0, "format", Kind::text, "format", "Write html (page sets, the default), or bmp, png or svg (one image per page)", 0, 0, 8},
    {0, "no-web-fonts", Kind::flag, nullptr, "Show text in the browser's own fonts, not the document's", 0, 0, 0},
    {0, "antialias", Kind::flag, nullptr, "Draw page pictures with smooth edges", 0, 0, 0},
    {0, "jobs", Kind::integer, "N", "Convert up to N files at once, one process each (one file: its pages)", 1, 64, 0},
    {0, "list", Kind::text, "file", "Convert the PDF files named in a file, one per line ('-' reads standard input)", 0, 0, 4096},
    {0, "results", Kind::text, "file.jsonl", "Append one JSON line per file (path, output, status, pages, seconds, message)", 0, 0, 4096},
    {0, "skip-done", Kind::text, "file.jsonl", "Skip the files a results log records as converted", 0, 0, 4096},
    {0, "task-index", Kind::integer, "I", "Convert only share I of the files (with --list: default $SLURM_ARRAY_TASK_ID)", 0, 1000000, 0},
    {0, "task-count", Kind::integer, "N", "Split the files into N shares (with --list: default $SLURM_ARRAY_TASK_COUNT)", 1, 1000000, 0},
    {0, "version", Kind::flag, nullptr, "Print the version and exit", 0, 0, 0},
};

const Switch* findShort(char letter) {
    if (letter == '?') letter = 'h';
    for (const Switch& s : kSwitches) {
        if (s.letter == letter) return &s;
    }
    return nullptr;
}

const Switch* findLong(std::string_view name) {
    for (const Switch& s : kSwitches) {
        if (s.longName != nullptr && name == s.longName) return &s;
    }
    return nullptr;
}

std::string switchName(const Switch& s) {
    if (s.letter != 0) return std::string("-") + s.letter;
    return std::string("--") + s.longName;
}

bool endsWithPdf(std::string_view path) {
    if (path.size() < 4) return false;
    std::string_view tail = path.substr(path.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'p' && (tail[2] | 0x20) == 'd' && (tail[3] | 0x20) == 'f';
}

// Stores one switch's value; returns an error text or "".
std::string apply(CommandLine& out, const Switch& s, std::string_view value) {
    if (s.kind == Kind::integer) {
        int number = 0;
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (ec != std::errc() || end != value.data() + value.size()) {
            return "option '" + switchName(s) + "' needs a number, not '" + std::string(value) + "'";
        }
        if (number < s.minimum || number > s.maximum) {
            return "value " + std::to_string(number) + " of option '" + switchName(s) + "' is out of range (" +
                   std::to_string(s.minimum) + " to " + std::to_string(s.maximum) + ")";
        }
        switch (s.letter) {
        case 'f': out.first = number; break;
        case 'l': out.last = number; break;
        case 'z': out.zoom = number; break;
        case 'b': out.charSpacing = number; break;
        case 'j': out.jpegQuality = number; break;
        default:
            if (std::strcmp(s.longName, "task-index") == 0) out.taskIndex = number;
            else if (std::strcmp(s.longName, "task-count") == 0) out.taskCount = number;
            else out.jobs = number;  // --jobs
            break;
        }
        return "";
    }
    if (s.kind == Kind::text) {
        if (value.size() > s.maxLength) {
            return "value of option '" + switchName(s) + "' is longer than " + std::to_string(s.maxLength) + " bytes";
        }
        if (value.empty() && (s.letter == 'i' || s.letter == 'o')) {
            return "option '" + switchName(s) + "' needs a file name";
        }
        if (s.letter == 0) return applyBatchText(out, s.longName, value);
        switch (s.letter) {
        case 'u': out.userPassword = std::string(value); break;
        case 'w': out.ownerPassword = std::string(value); break;
        case 'i': out.inputs.emplace_back(value); break;
        default:
            if (!out.output.empty()) return "option '-o' is given twice";
            out.output = std::string(value);
            break;
        }
        return "";
    }
    switch (s.letter) {
    case 'c': out.continuous = true; break;
    case 'd': out.removePictures = true; break;
    case 'g': out.grayscale = true; break;
    case 'q': out.quit = true; break;
    case 'm': out.noWindow = true; break;
    case 'r': out.overwrite = true; break;
    case 'h': out.help = true; break;
    default:
        if (std::strcmp(s.longName, "bmp") == 0) out.format = OutputFormat::bmp, out.bmp = true;
        else if (std::strcmp(s.longName, "no-web-fonts") == 0) out.noWebFonts = true;
        else if (std::strcmp(s.longName, "antialias") == 0) out.antialias = true;
        else out.version = true;
        break;
    }
    return "";
}

}  // namespace

std::vector<SwitchDoc> documentedSwitches() {
    std::vector<SwitchDoc> docs;
    for (const Switch& s : kSwitches) docs.push_back({s.letter, s.longName, s.argument, s.usage});
    return docs;
}

CommandLineResult parseCommandLine(int argc, const char* const* argv) {
    CommandLineResult result;
    CommandLine out;
    std::vector<std::string> positional;
    bool onlyFiles = false;  // after "--"
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty()) {
                result.error = "an empty file name was given";
                return result;
            }
            positional.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        const Switch* s = nullptr;
        std::optional<std::string_view> attached;
        if (arg.substr(0, 2) == "--") {
            std::string_view name = arg.substr(2);
            size_t equals = name.find('=');
            if (equals != std::string_view::npos) {
                attached = name.substr(equals + 1);
                name = name.substr(0, equals);
            }
            s = findLong(name);
            if (s == nullptr) {
                result.error = "unknown option '--" + std::string(name) + "'";
                return result;
            }
        } else {
            s = findShort(arg[1]);
            if (s == nullptr) {
                result.error = "unknown option '" + std::string(arg) + "'";
                return result;
            }
            if (arg.size() > 2) {
                if (s->kind == Kind::flag) {
                    result.error = "unknown option '" + std::string(arg) + "'";
                    return result;
                }
                attached = arg.substr(2);
            }
        }
        std::string_view value;
        if (s->kind != Kind::flag) {
            if (attached) {
                value = *attached;
            } else if (i + 1 < argc && argv[i + 1] != nullptr) {
                value = argv[++i];
            } else {
                result.error = "option '" + switchName(*s) + "' needs a value";
                return result;
            }
        } else if (attached) {
            result.error = "option '" + switchName(*s) + "' takes no value";
            return result;
        }
        std::string error = apply(out, *s, value);
        if (!error.empty()) {
            result.error = error;
            return result;
        }
    }
    // "FILE.pdf OUT.htm": a second positional argument that is not a PDF names the output.
    if (positional.size() == 2 && out.inputs.empty() && !endsWithPdf(positional[1]) && endsWithPdf(positional[0]) ) {
        if (!out.output.empty()) {
            result.error = "the output is given twice (with -o and as an argument)";
            return result;
        }
        out.output = positional[1];
        positional.pop_back();
    }
    out.inputs.insert(out.inputs.end(), positional.begin(), positional.end());
    if (out.first && out.last && *out.last < *out.first) {
        result.error = "the last page (" + std::to_string(*out.last) + ") comes before the first (" +
                       std::to_string(*out.first) + ")";
        return result;
    }
    // Without -m the window may open with an empty queue; the command line itself still
    // refuses to run without a file (runCommandLine).
    if (!out.help && !out.version && out.noWindow && out.inputs.empty() && out.list.empty()) {
        result.error = "no PDF file given";
        return result;
    }
    result.options = std::move(out);
    return result;
}

std::string usageText() {
    std::string text = "Usage: VELLUMIX [Option] <PDF File> [<HTM File>]\n";
    // Switch and argument padded so that the colons line up.
    auto head = [](const Switch& s) {
        std::string h = s.letter != 0 ? std::string("-") + s.letter : std::string("--") + s.longName;
        if (s.argument != nullptr) h += std::string(" <") + s.argument + ">";
        return h;
    };
    size_t width = 0;
    for (const Switch& s : kSwitches) width = std::max(width, head(s).size());
    for (const Switch& s : kSwitches) {
        std::string h = head(s);
        if (s.letter == 'h') h = "-h, -?";
        h.resize(width, ' ');
        text += h + " : " + s.usage;
        if (s.letter != 0 && s.longName != nullptr) text += std::string(" (--") + s.longName + ")";
        text += "\n";
    }
    text +=
        "Examples:\n"
        "vellumix -q -f 5 -l 8 -i ~/a.pdf -o ~/a.htm\n"
        "vellumix -q -m -r -i \"/home/me/my files/a.pdf\" -o \"/home/me/site/a.htm\"\n"
        "vellumix -q -m -r -c -d -i ~/a.pdf -o ~/a.htm\n"
        "vellumix -q -m -r -u user -w owner -i ~/a.pdf -o ~/a.htm\n"
        "Each file is written completely or not at all; nothing but the files a run writes is\n"
        "replaced or deleted, and an existing one only with -r.\n"
        "Exit status: 0 all converted, 1 any file failed or was skipped, 2 usage error (also two\n"
        "inputs that would write the same outputs), 130 interrupted.\n";
    return text;
}

}  // namespace qm

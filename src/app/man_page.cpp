#include "app/man_page.h"

#include "app/cli_main.h"
#include "app/command_line.h"

namespace qm {

std::string roffEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
    }
    // A line starting with a dot or quote would be read as a request.
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

namespace {

std::string bold(const std::string& text) { return "\\fB" + roffEscape(text) + "\\fR"; }
std::string italic(const std::string& text) { return "\\fI" + roffEscape(text) + "\\fR"; }

std::string optionHead(const SwitchDoc& s) {
    std::string head;
    if (s.letter != 0) head = bold(std::string("-") + s.letter);
    if (s.letter == 'h') head += ", " + bold("-?");
    if (s.longName != nullptr) head += (head.empty() ? "" : ", ") + bold(std::string("--") + s.longName);
    if (s.argument != nullptr) head += " " + italic(std::string("<") + s.argument + ">");
    return head;
}

const char* const kBody[] = {
    ".SH EXIT STATUS",
    ".TP",
    ".B 0",
    "Every file converted.",
    ".TP",
    ".B 1",
    "A file failed or was skipped (its output exists and \\fB\\-r\\fR was not given), or a results log could not be written.",
    ".TP",
    ".B 2",
    "The command line was not understood; nothing was converted.",
    ".TP",
    ".B 130",
    "Interrupted by SIGINT or SIGTERM.",
    ".SH FILES",
    ".TP",
    ".I ~/.config/vellumix/vellumix.ini",
    "The profile: the options the window saves. Switches override them for one run only and never change the file.",
    ".TP",
    ".I ~/.config/vellumix/config.ini",
    "Character spacing and font names; the installed defaults are in",
    ".IR /usr/share/vellumix/config.ini .",
    ".TP",
    ".I /usr/share/vellumix",
    "Read-only data: character maps, font tables and the support files every site starts from.",
    ".SH ENVIRONMENT",
    ".TP",
    ".B SLURM_ARRAY_TASK_ID\\fR, \\fBSLURM_ARRAY_TASK_COUNT",
    "With \\fB\\-\\-list\\fR, the defaults of \\fB\\-\\-task\\-index\\fR (less \\fBSLURM_ARRAY_TASK_MIN\\fR) and \\fB\\-\\-task\\-count\\fR inside a job array.",
    ".TP",
    ".B XDG_CONFIG_HOME",
    "Where the profile lives instead of \\fI~/.config\\fR.",
    ".TP",
    ".B QUILLMARK_DEBUG",
    "Set to 1 to see every message about damaged files on standard error.",
    ".SH NOTES",
    "With \\fB\\-\\-results\\fR, each finished file appends one line of JSON with the keys path, output, status "
    "(converted, failed or skipped), pages, seconds and message. File names that are not UTF\\-8 keep their bytes as "
    "\\eudc80 to \\eudcff escapes.",
    ".SH EXAMPLES",
    "Write report/index.htm beside the PDF:",
    ".PP",
    ".RS",
    ".B vellumix report.pdf",
    ".RE",
    ".PP",
    "Pages 5 to 8 into ~/sites/report/, replacing what is there:",
    ".PP",
    ".RS",
    ".B vellumix \\-m \\-r \\-f 5 \\-l 8 report.pdf ~/sites/report.htm",
    ".RE",
    ".PP",
    "One PNG image per page at 150 percent:",
    ".PP",
    ".RS",
    ".B vellumix \\-m \\-\\-format png \\-z 150 report.pdf",
    ".RE",
    ".PP",
    "A list of files into one folder with a results log, skipping what an earlier run converted:",
    ".PP",
    ".RS",
    ".B vellumix \\-m \\-r \\-\\-list files.txt \\-\\-results out/results.jsonl \\-\\-skip\\-done out/results.jsonl \\-o out/",
    ".RE",
    ".PP",
    "The second of four shares of the same list, as one task of a job array would run it:",
    ".PP",
    ".RS",
    ".B vellumix \\-m \\-r \\-\\-list files.txt \\-\\-task\\-index 1 \\-\\-task\\-count 4 \\-o out/",
    ".RE",
};

}  // namespace

std::string manPageText() {
    std::string page;
    page += ".TH VELLUMIX 1 \"\" \"vellumix " + std::string(kProgramVersion) + "\" \"User Commands\"\n";
    page += ".SH NAME\nvellumix \\- convert PDF files into HTML page sets or page images\n";
    page += ".SH SYNOPSIS\n.B vellumix\n[\\fIoption\\fR]... \\fIfile.pdf\\fR... [\\fIoutput.htm\\fR]\n.br\n"
            ".B vellumix \\-m \\-\\-list\n\\fIlist\\fR [\\fIoption\\fR]...\n";
    page += ".SH DESCRIPTION\n"
            "Each PDF file becomes a folder holding an HTML page set: the text of every page as positioned HTML over "
            "a JPEG picture of its graphics, links as image maps, and a small frame site with navigation, a page "
            "index and a bookmark tree; open its index.htm in any browser. With \\fB\\-\\-format\\fR, every page "
            "becomes a BMP, PNG or SVG image instead.\n.PP\n"
            "Without \\fB\\-m\\fR and with a display, the window opens with the files queued. With \\fB\\-m\\fR, or "
            "without a display, the files are converted one after the other and every message is a line on "
            "standard error.\n";
    page += ".SH OPTIONS\n";
    for (const SwitchDoc& s : documentedSwitches()) {
        page += ".TP\n" + optionHead(s) + "\n" + roffEscape(s.usage) + "\n";
    }
    for (const char* line : kBody) page += std::string(line) + "\n";
    return page;
}

}  // namespace qm

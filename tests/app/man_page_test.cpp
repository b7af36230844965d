// The manual page and --help: both come from one switch table, and this holds them to it. The
// page is the one the build generated and the packages install.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "app/man_page.h"
#include "support/test_files.h"

namespace qm {
namespace {

std::string runForOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    int rc = ::pclose(p);
    if (status != nullptr) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// Man markup back to plain text: font changes dropped, escapes undone.
std::string plain(const std::string& roff) {
    std::string out;
    for (size_t i = 0; i < roff.size(); ++i) {
        if (roff[i] != '\\' || i + 1 >= roff.size()) {
            out += roff[i];
            continue;
        }
        char next = roff[++i];
        if (next == 'f' && i + 1 < roff.size()) ++i;  // \fB \fI \fR
        else if (next == '-') out += '-';
        else if (next == 'e') out += '\\';
        else if (next != '&') out += next;
    }
    return out;
}

// Switch names and argument ("-f, --first <page number>") -> usage text, from --help: the
// head before " : ", and the long form given in brackets after the text.
std::map<std::string, std::string> helpEntries(const std::string& help) {
    std::map<std::string, std::string> entries;
    std::istringstream lines(help);
    std::string line;
    while (std::getline(lines, line)) {
        size_t colon = line.find(" : ");
        if (line.empty() || line[0] != '-' || colon == std::string::npos) continue;
        std::string head = line.substr(0, colon);
        while (!head.empty() && head.back() == ' ') head.pop_back();
        std::string usage = line.substr(colon + 3);
        std::string argument;
        if (size_t open = head.find(" <"); open != std::string::npos) {
            argument = head.substr(open);
            head.resize(open);
        }
        if (usage.size() > 3 && usage.back() == ')') {
            size_t open = usage.rfind(" (--");
            if (open != std::string::npos) {
                head += ", " + usage.substr(open + 2, usage.size() - open - 3);
                usage.resize(open);
            }
        }
        entries[head + argument] = usage;
    }
    return entries;
}

// The same from the page's OPTIONS section: ".TP", the head line, the text line.
std::map<std::string, std::string> manEntries(const std::string& page) {
    std::map<std::string, std::string> entries;
    size_t at = page.find("\n.SH OPTIONS\n");
    if (at == std::string::npos) return entries;
    size_t end = page.find("\n.SH ", at + 1);
    std::istringstream lines(page.substr(at, end - at));
    std::string line, head, usage;
    while (std::getline(lines, line)) {
        if (line != ".TP") continue;
        if (!std::getline(lines, head) || !std::getline(lines, usage)) break;
        entries[plain(head)] = plain(usage);
    }
    return entries;
}

TEST(ManPage, ListsEverySwitchOfHelpWithTheSameText) {
    const std::string page = test::readWholeFile(std::string(QM_BINARY_DIR) + "/vellumix.1");
    ASSERT_FALSE(page.empty()) << "the build did not generate vellumix.1";
    EXPECT_EQ(page, manPageText()) << "vellumix.1 is out of date";
    int status = -1;
    const std::string help = runForOutput("'" + std::string(QM_BINARY_DIR) + "/vellumix' --help", &status);
    ASSERT_EQ(status, 0);

    const auto fromHelp = helpEntries(help);
    const auto fromPage = manEntries(page);
    ASSERT_GT(fromHelp.size(), 20u) << help;
    EXPECT_EQ(fromPage, fromHelp);
    for (const char* section : {"\n.SH NAME\n", "\n.SH SYNOPSIS\n", "\n.SH EXIT STATUS\n", "\n.SH FILES\n",
                                "\n.SH EXAMPLES\n"}) {
        EXPECT_NE(page.find(section), std::string::npos) << section;
    }
    for (const char* status_ : {".B 0\n", ".B 1\n", ".B 2\n", ".B 130\n"}) EXPECT_NE(page.find(status_), std::string::npos);
    EXPECT_NE(page.find("vellumix.ini"), std::string::npos);
    EXPECT_NE(page.find("config.ini"), std::string::npos);
}

TEST(ManPage, FormatsWithoutWarnings) {
    // groff complains of every request it does not know and every line it cannot set.
    const std::string page = std::string(QM_BINARY_DIR) + "/vellumix.1";
    int status = -1;
    std::string warnings = runForOutput("LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 '" + page + "' 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(warnings, "");
    std::string text = runForOutput("LC_ALL=C.UTF-8 MANWIDTH=80 man -l '" + page + "' 2>&1 | col -b");
    EXPECT_NE(text.find("--skip-done <file.jsonl>"), std::string::npos) << text;
}

TEST(ManPage, EscapesTextThatRoffWouldReadAsMarkup) {
    EXPECT_EQ(roffEscape("a-b"), "a\\-b");
    EXPECT_EQ(roffEscape("C:\\dir"), "C:\\edir");
    EXPECT_EQ(roffEscape(".SH x"), "\\&.SH x");
    EXPECT_EQ(roffEscape("'quote"), "\\&'quote");
    EXPECT_EQ(plain(roffEscape(".a-b\\c")), ".a-b\\c");
}

}  // namespace
}  // namespace qm

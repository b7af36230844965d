#include "app/command_line.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace qm {
namespace {

CommandLineResult parse(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{"vellumix"};
    argv.insert(argv.end(), args);
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, ShortAndLongFormsSetTheSameValues) {
    auto a = parse({"-f", "5", "-l", "8", "-z", "150", "-c", "-d", "-b", "0", "-j", "90", "-g", "-u", "user", "-w",
                    "owner", "-q", "-m", "-r", "-i", "a.pdf", "-o", "a.htm"});
    auto b = parse({"--first=5", "--last", "8", "--zoom=150", "--continuous", "--no-pictures", "--char-spacing", "0",
                    "--jpeg-quality=90", "--grayscale", "--user-password=user", "--owner-password", "owner", "--quit",
                    "--no-window", "--overwrite", "a.pdf", "a.htm"});
    for (const auto* r : {&a, &b}) {
        ASSERT_TRUE(r->options) << r->error;
        const CommandLine& o = *r->options;
        EXPECT_EQ(o.first, 5);
        EXPECT_EQ(o.last, 8);
        EXPECT_EQ(o.zoom, 150);
        EXPECT_TRUE(o.continuous && o.removePictures && o.grayscale && o.quit && o.noWindow && o.overwrite);
        EXPECT_EQ(o.charSpacing, 0);
        EXPECT_EQ(o.jpegQuality, 90);
        EXPECT_EQ(o.userPassword, "user");
        EXPECT_EQ(o.ownerPassword, "owner");
        EXPECT_EQ(o.inputs, std::vector<std::string>{"a.pdf"});
        EXPECT_EQ(o.output, "a.htm");
    }
}

TEST(CommandLine, UnsetSwitchesLeaveTheProfileAlone) {
    auto r = parse({"x.pdf"});
    ASSERT_TRUE(r.options);
    EXPECT_FALSE(r.options->zoom || r.options->jpegQuality || r.options->first || r.options->userPassword);
    EXPECT_EQ(r.options->jobs, 1);
    EXPECT_TRUE(r.options->output.empty());
}

TEST(CommandLine, SeveralPdfFilesAndAttachedValues) {
    auto r = parse({"-j75", "a.pdf", "b.PDF", "c.pdf", "-o", "out", "--bmp", "--jobs", "2", "--antialias"});
    ASSERT_TRUE(r.options) << r.error;
    EXPECT_EQ(r.options->inputs, (std::vector<std::string>{"a.pdf", "b.PDF", "c.pdf"}));
    EXPECT_EQ(r.options->output, "out");
    EXPECT_EQ(r.options->jpegQuality, 75);
    EXPECT_TRUE(r.options->bmp);
    EXPECT_TRUE(r.options->antialias);
    EXPECT_EQ(r.options->jobs, 2);
    // A file whose name starts with '-' after "--".
    auto dash = parse({"--", "-odd.pdf"});
    ASSERT_TRUE(dash.options);
    EXPECT_EQ(dash.options->inputs, std::vector<std::string>{"-odd.pdf"});
}

TEST(CommandLine, ErrorsNameTheirReason) {
    struct Case {
        std::vector<const char*> args;
        const char* reason;
    } cases[] = {
        {{"-x", "a.pdf"}, "unknown option '-x'"},
        {{"--frobnicate", "a.pdf"}, "unknown option '--frobnicate'"},
        {{"a.pdf", "-j"}, "option '-j' needs a value"},
        {{"-j", "0", "a.pdf"}, "out of range (1 to 100)"},
        {{"-z", "300", "a.pdf"}, "out of range (50 to 200)"},
        {{"-f", "two", "a.pdf"}, "needs a number"},
        {{"-f", "9", "-l", "3", "a.pdf"}, "comes before the first"},
        {{"-m"}, "no PDF file given"},
        {{"--quit=1", "a.pdf"}, "takes no value"},
        {{"-mq", "a.pdf"}, "unknown option '-mq'"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"vellumix"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        auto r = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_FALSE(r.options);
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
    }
    std::string longPassword(101, 'p');
    EXPECT_FALSE(parse({"-u", longPassword.c_str(), "a.pdf"}).options);
}

TEST(CommandLine, UsageListsEverySwitchWithAlignedColons) {
    auto help = parse({"-?"});
    ASSERT_TRUE(help.options);
    EXPECT_TRUE(help.options->help);
    std::string text = usageText();
    EXPECT_EQ(text.rfind("Usage: VELLUMIX [Option] <PDF File> [<HTM File>]\n", 0), 0u);
    EXPECT_NE(text.find("-f <page number>"), std::string::npos);
    EXPECT_NE(text.find(" : Overwrite an existing destination file without prompting to confirm"), std::string::npos);
    size_t colon = text.find(" : First page to be converted");
    size_t lineStart = text.rfind('\n', colon) + 1;
    size_t column = colon - lineStart;
    size_t other = text.find(" : Set jpeg quality, from 1 to 100");
    EXPECT_EQ(other - (text.rfind('\n', other) + 1), column);
}

}  // namespace
}  // namespace qm

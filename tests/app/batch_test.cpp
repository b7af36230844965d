// The pieces of a batch run: the list of files, the shares of a job array, the JSON of the
// results log and the log itself with many writers at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "app/batch_list.h"
#include "app/batch_plan.h"
#include "app/json_text.h"
#include "app/results_log.h"
#include "app/task_share.h"
#include "platform/system/file_ops.h"
#include "support/test_files.h"

namespace qm {
namespace {

TEST(BatchList, OnePathPerLineSpacesKept) {
    BatchList list = parseBatchList("a.pdf\r\n\n  \n/x/with space.pdf\n b.pdf \nlast.pdf");
    EXPECT_EQ(list.error, "");
    EXPECT_EQ(list.files, (std::vector<std::string>{"a.pdf", "/x/with space.pdf", " b.pdf ", "last.pdf"}));
    EXPECT_TRUE(parseBatchList("").files.empty());

    BatchList nul = parseBatchList(std::string("a.pdf\nb\0c.pdf\n", 14));
    EXPECT_EQ(nul.error, "line 2 is not a file name");
    EXPECT_TRUE(nul.files.empty());  // a bad list converts nothing rather than a part of it
    EXPECT_NE(parseBatchList("a\n" + std::string(5000, 'x') + "\n").error, "");

    EXPECT_NE(readBatchList("/nonexistent/list.txt").error, "");
}

const char* noEnvironment(const char*) { return nullptr; }

std::map<std::string, std::string> gEnvironment;
const char* fakeEnvironment(const char* name) {
    auto it = gEnvironment.find(name);
    return it == gEnvironment.end() ? nullptr : it->second.c_str();
}

TEST(TaskShare, SharesCoverTheListOnceAndComeFromTheArray) {
    // Every file lands in exactly one share, for any number of tasks.
    for (int count : {1, 3, 4, 7}) {
        std::vector<int> owners(23, 0);
        for (int index = 0; index < count; ++index) {
            TaskShareResult r = resolveTaskShare(index, count, true, noEnvironment);
            ASSERT_TRUE(r.share) << r.error;
            for (size_t k = 0; k < owners.size(); ++k) owners[k] += inShare(k, *r.share);
        }
        for (int n : owners) EXPECT_EQ(n, 1) << count;
    }
    // Slurm's array numbers, which need not start at 0.
    gEnvironment = {{"SLURM_ARRAY_TASK_ID", "7"}, {"SLURM_ARRAY_TASK_MIN", "5"}, {"SLURM_ARRAY_TASK_COUNT", "4"}};
    TaskShareResult slurm = resolveTaskShare(std::nullopt, std::nullopt, true, fakeEnvironment);
    ASSERT_TRUE(slurm.share) << slurm.error;
    EXPECT_EQ(slurm.share->index, 2);
    EXPECT_EQ(slurm.share->count, 4);
    // Switches win over the array; files given one per task are never shared out.
    EXPECT_EQ(resolveTaskShare(0, std::nullopt, true, fakeEnvironment).share->index, 0);
    EXPECT_EQ(resolveTaskShare(std::nullopt, std::nullopt, false, fakeEnvironment).share->count, 1);

    gEnvironment = {{"SLURM_ARRAY_TASK_ID", "4x"}, {"SLURM_ARRAY_TASK_COUNT", "4"}};
    EXPECT_NE(resolveTaskShare(std::nullopt, std::nullopt, true, fakeEnvironment).error.find("SLURM_ARRAY_TASK_ID"),
              std::string::npos);
    EXPECT_FALSE(resolveTaskShare(4, 4, true, noEnvironment).share);
    EXPECT_FALSE(resolveTaskShare(1, std::nullopt, true, noEnvironment).share);
    EXPECT_FALSE(resolveTaskShare(std::nullopt, 2, false, noEnvironment).share);
}

TEST(BatchPlan, SitesOfTheSameNameGetFoldersOfTheirOwn) {
    std::vector<ConversionJob> jobs = {{"/a/report.pdf", "/out/report/index.htm"},
                                       {"/b/report.pdf", "/out/report/index.htm"},
                                       {"/c/report_2.pdf", "/out/report_2/index.htm"},
                                       {"/d/report.pdf", "/out/report/index.htm"}};
    separateOutputs(jobs);
    EXPECT_EQ(jobs[0].output, "/out/report/index.htm");
    EXPECT_EQ(jobs[1].output, "/out/report_3/index.htm");  // report_2 belongs to another file
    EXPECT_EQ(jobs[2].output, "/out/report_2/index.htm");
    EXPECT_EQ(jobs[3].output, "/out/report_4/index.htm");

    // A site must never be the output folder itself or its parent.
    std::vector<ConversionJob> dots = {{"/a/...pdf", "/out/../index.htm"}, {"/a/..pdf", "/out/./index.htm"}};
    separateOutputs(dots);
    EXPECT_EQ(dots[0].output, "/out/.._2/index.htm");
    EXPECT_EQ(dots[1].output, "/out/._2/index.htm");
}

TEST(ResultsJson, StringsComeBackByteForByte) {
    const std::string names[] = {
        "plain.pdf", "quote\"back\\slash", "new\nline\ttab\r", std::string("ctl\x01\x1f\x7f", 6),
        "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\x84",  // UTF-8 of 2, 3 and 4 bytes
        "latin1 caf\xe9", "\xff\xfe", "overlong \xc0\xaf", "surrogate \xed\xa0\x80", "cut \xe6\x97",
        "</script><!--",
    };
    for (const std::string& name : names) {
        const std::string json = jsonString(name);
        // Nothing raw that JSON forbids, and nothing that is not UTF-8.
        for (unsigned char c : json) EXPECT_GE(c, 0x20) << json;
        auto back = parseFlatJsonObject("{\"k\":" + json + "}");
        ASSERT_TRUE(back) << json;
        EXPECT_EQ(back->at("k"), name) << json;
    }
    EXPECT_EQ(jsonString("caf\xe9"), "\"caf\\udce9\"");
    // What other writers may put in: surrogate pairs, escaped slashes.
    EXPECT_EQ(parseFlatJsonObject("{\"k\":\"\\ud83d\\udcc4\\/\"}")->at("k"), "\xf0\x9f\x93\x84/");

    for (const char* bad : {"", "{", "{\"path\":\"a\"", "{\"path\":\"a\",}", "{\"path\":\"a\"} x", "{\"a\":[1]}",
                            "{\"a\":\"\\x\"}", "{\"a\":\"\\udc00\"}", "{\"a\":\"raw\nnewline\"}", "[1]"}) {
        EXPECT_FALSE(parseFlatJsonObject(bad)) << bad;
    }
}

class ResultsLog : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::scratchFolderFor("results_log_");
        deleteFolderTree(root_);
        ASSERT_TRUE(makeDirectoryPath(root_));
        log_ = root_ + "/results.jsonl";
    }
    void TearDown() override { deleteFolderTree(root_); }
    std::string root_, log_;
};

TEST_F(ResultsLog, RecordsAreWholeLinesAndTheLatestWins) {
    ResultRecord a{"dir/a b.pdf", "out/a b/index.htm", "failed", 0, 0.25, "Can't extract \"a b\""};
    ASSERT_EQ(appendResultLine(log_, resultLine(a)), "");
    const std::string text = test::readWholeFile(log_);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\n'), text.size() - 1);
    auto fields = parseFlatJsonObject(text.substr(0, text.size() - 1));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->at("path"), "dir/a b.pdf");
    EXPECT_EQ(fields->at("output"), "out/a b/index.htm");
    EXPECT_EQ(fields->at("status"), "failed");
    EXPECT_EQ(fields->at("pages"), "0");
    EXPECT_EQ(fields->at("seconds"), "0.250");
    EXPECT_EQ(fields->at("message"), "Can't extract \"a b\"");
    EXPECT_TRUE(readDoneList(log_).converted.empty());

    // Converted on a second try: done. A run killed half way through a line leaves the line
    // cut; it is passed over, and the next record still starts a line of its own.
    ResultRecord b{"b.pdf", "out/b/index.htm", "converted", 3, 1, ""};
    a.status = "converted";
    ASSERT_EQ(appendResultLine(log_, resultLine(a)), "");
    {
        std::ofstream cut(log_, std::ios::app);
        cut << "{\"path\":\"c.pdf\",\"status\":\"conv";
    }
    ASSERT_EQ(appendResultLine(log_, resultLine(b)), "");
    DoneList done = readDoneList(log_);
    EXPECT_EQ(done.error, "");
    EXPECT_EQ(done.converted, (std::unordered_set<std::string>{"dir/a b.pdf", "b.pdf"}));

    // Failing after a success undoes it.
    b.status = "failed";
    ASSERT_EQ(appendResultLine(log_, resultLine(b)), "");
    EXPECT_EQ(readDoneList(log_).converted, (std::unordered_set<std::string>{"dir/a b.pdf"}));

    EXPECT_EQ(readDoneList(root_ + "/none.jsonl").error, "");  // no log yet: nothing done
    EXPECT_NE(readDoneList(root_).error, "");                  // a folder is no log
    EXPECT_NE(appendResultLine(root_ + "/missing/results.jsonl", resultLine(b)), "");
}

TEST_F(ResultsLog, ConcurrentWritersNeverInterleave) {
    constexpr int kWriters = 6;
    constexpr int kLines = 150;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0; i < kLines; ++i) {
                // Long messages make torn writes likely if the lines were not whole writes.
                ResultRecord r{"w" + std::to_string(w) + "/" + std::to_string(i) + ".pdf", "o", "converted", i, 0.5,
                               std::string(3000 + i, 'a' + w)};
                if (!appendResultLine(log_, resultLine(r)).empty()) ::_exit(1);
            }
            ::_exit(0);
        }
    }
    for (int w = 0; w < kWriters; ++w) {
        int status = 0;
        ::wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::istringstream lines(test::readWholeFile(log_));
    std::string line;
    std::set<std::string> paths;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        auto fields = parseFlatJsonObject(line);
        ASSERT_TRUE(fields) << line.substr(0, 80);
        paths.insert(fields->at("path"));
    }
    EXPECT_EQ(count, kWriters * kLines);
    EXPECT_EQ(paths.size(), static_cast<size_t>(kWriters * kLines));
    EXPECT_EQ(readDoneList(log_).converted.size(), static_cast<size_t>(kWriters * kLines));
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

CommandLineResult parseArgs(std::vector<const char*> args) {
    args.insert(args.begin(), "vellumix");
    return parseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(BatchSwitches, FormatsListsAndSharesParse) {
    auto bmp = parseArgs({"--format", "bmp", "a.pdf"});
    ASSERT_TRUE(bmp.options);
    EXPECT_TRUE(bmp.options->bmp);  // the same run as --bmp
    EXPECT_EQ(bmp.options->format, OutputFormat::bmp);
    auto svg = parseArgs({"--format=svg", "--bmp", "a.pdf"});
    ASSERT_TRUE(svg.options);
    EXPECT_EQ(svg.options->format, OutputFormat::bmp);  // the later switch wins

    // A list is enough input for a run without the window, standard input included.
    auto list = parseArgs({"-m", "--list", "-", "--results=r.jsonl", "--skip-done", "r.jsonl", "--task-index", "3",
                           "--task-count=4"});
    ASSERT_TRUE(list.options) << list.error;
    EXPECT_EQ(list.options->list, "-");
    EXPECT_EQ(list.options->results, "r.jsonl");
    EXPECT_EQ(list.options->skipDone, "r.jsonl");
    EXPECT_EQ(list.options->taskIndex, 3);
    EXPECT_EQ(list.options->taskCount, 4);

    for (std::vector<const char*> bad : {std::vector<const char*>{"--format", "jpeg", "a.pdf"}, {"--list=", "a.pdf"},
                                         {"--list", "a", "--list", "b"}, {"--task-count", "0", "a.pdf"}}) {
        EXPECT_FALSE(parseArgs(bad).options) << bad[0];
    }
}

}  // namespace
}  // namespace qm

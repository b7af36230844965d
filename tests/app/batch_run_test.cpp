// Batches from the command line: a list of files (from a file or standard input), the
// results log written as each file finishes, resuming from it, and shares of one list that
// together convert every file once.
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/json_text.h"
#include "app/shell_run.h"
#include "platform/system/file_ops.h"
#include "support/corpus_manifest.h"
#include "support/test_files.h"

namespace qm {
namespace {

using test::corpusPath;
using test::pathExists;
using test::Shell;

using Record = std::map<std::string, std::string>;

std::vector<Record> readLog(const std::string& path) {
    std::vector<Record> records;
    std::istringstream lines(test::readWholeFile(path));
    std::string line;
    while (std::getline(lines, line)) {
        auto fields = parseFlatJsonObject(line);
        EXPECT_TRUE(fields) << line;
        if (fields) records.push_back(*fields);
    }
    return records;
}

class BatchRun : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::scratchFolderFor("batch_run_");
        deleteFolderTree(root_);
        ASSERT_TRUE(makeDirectoryPath(root_ + "/config"));
        ASSERT_TRUE(makeDirectoryPath(root_ + "/in/a"));
        ASSERT_TRUE(makeDirectoryPath(root_ + "/in/b"));
        // Two files of one name in different folders, a name with a quote and a space, a
        // file that needs a password, and one that does not exist.
        files_ = {root_ + "/in/a/report.pdf", root_ + "/in/b/report.pdf", root_ + "/in/it's here.pdf",
                  root_ + "/in/locked.pdf", root_ + "/in/missing.pdf"};
        ASSERT_TRUE(copyFile(corpusPath("word365-3p.pdf"), files_[0]));
        ASSERT_TRUE(copyFile(corpusPath("latex-outline.pdf"), files_[1]));
        ASSERT_TRUE(copyFile(corpusPath("ghostscript-pdfa.pdf"), files_[2]));
        ASSERT_TRUE(copyFile(corpusPath("enc-rc4-40-pw.pdf"), files_[3]));
        std::ofstream list(root_ + "/list.txt");
        for (const std::string& f : files_) list << f << "\r\n\n";
    }
    void TearDown() override { deleteFolderTree(root_); }
    Shell run(const std::string& args, const std::string& stdinFile = "") {
        return test::runVellumix(args, root_ + "/config", stdinFile);
    }
    std::string root_;
    std::vector<std::string> files_;
};

TEST_F(BatchRun, ListResultsAndResuming) {
    const std::string log = root_ + "/out/results.jsonl";
    ASSERT_TRUE(makeDirectoryPath(root_ + "/out"));
    Shell first = run("-m -l 2 --list " + test::quoted(root_ + "/list.txt") + " -o " + test::quoted(root_ + "/out") +
                      " --results " + test::quoted(log));
    EXPECT_EQ(first.status, 1) << first.out;  // two files failed
    // Same-named files get sites of their own.
    EXPECT_TRUE(pathExists(root_ + "/out/report/pg_0002.htm"));
    EXPECT_TRUE(pathExists(root_ + "/out/report_2/pg_0002.htm"));
    EXPECT_TRUE(pathExists(root_ + "/out/it's here/pg_0001.htm"));

    std::vector<Record> records = readLog(log);
    ASSERT_EQ(records.size(), files_.size());
    for (size_t i = 0; i < files_.size(); ++i) {
        EXPECT_EQ(records[i]["path"], files_[i]);
        EXPECT_EQ(records[i]["status"], i < 3 ? "converted" : "failed") << files_[i];
        EXPECT_EQ(records[i]["message"].empty(), i < 3) << records[i]["message"];
    }
    EXPECT_EQ(records[0]["output"], root_ + "/out/report/index.htm");
    EXPECT_EQ(records[1]["output"], root_ + "/out/report_2/index.htm");
    EXPECT_EQ(records[0]["pages"], "2");  // -l 2
    EXPECT_EQ(records[2]["pages"], "1");
    EXPECT_NE(records[4]["message"].find("missing.pdf"), std::string::npos);

    // Resumed: the converted files are passed over, only the failures run again.
    struct stat before {};
    ASSERT_EQ(::stat((root_ + "/out/report/pg_0001.htm").c_str(), &before), 0);
    Shell again = run("-m -r -l 2 --list - -o " + test::quoted(root_ + "/out") + " --results " + test::quoted(log) +
                          " --skip-done " + test::quoted(log),
                      root_ + "/list.txt");
    EXPECT_EQ(again.status, 1) << again.out;
    EXPECT_NE(again.out.find("3 file(s) passed over"), std::string::npos) << again.out;
    records = readLog(log);
    ASSERT_EQ(records.size(), files_.size() + 2);
    EXPECT_EQ(records[5]["path"], files_[3]);
    EXPECT_EQ(records[6]["path"], files_[4]);
    struct stat after {};
    ASSERT_EQ(::stat((root_ + "/out/report/pg_0001.htm").c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);

    // With the password the last failure converts; with the file gone from the list and every
    // other one done, a run has nothing to do and succeeds.
    std::ofstream(root_ + "/list.txt") << files_[0] << "\n" << files_[3] << "\n";
    Shell unlocked = run("-m -r -u baz --list " + test::quoted(root_ + "/list.txt") + " -o " + test::quoted(root_ + "/out") +
                         " --results " + test::quoted(log) + " --skip-done " + test::quoted(log));
    EXPECT_EQ(unlocked.status, 0) << unlocked.out;
    Shell nothing = run("-m --list " + test::quoted(root_ + "/list.txt") + " -o " + test::quoted(root_ + "/out") + " --skip-done " +
                        test::quoted(log));
    EXPECT_EQ(nothing.status, 0) << nothing.out;
}

TEST_F(BatchRun, SharesOfAListConvertEachFileOnceAlsoInWorkerProcesses) {
    files_.resize(3);  // the ones that convert
    std::ofstream list(root_ + "/list.txt");
    for (const std::string& f : files_) list << f << "\n";
    list.close();
    const std::string log = root_ + "/results.jsonl";
    for (int task = 0; task < 2; ++task) {
        // The array's variables, as Slurm sets them; task 1 converts its share in two processes.
        Shell share = test::shell("env -u DISPLAY SLURM_ARRAY_TASK_ID=" + std::to_string(task + 10) +
                                  " SLURM_ARRAY_TASK_MIN=10 SLURM_ARRAY_TASK_COUNT=2 XDG_CONFIG_HOME=" +
                                  test::quoted(root_ + "/config") + " " + test::quoted(std::string(QM_BINARY_DIR) + "/vellumix") +
                                  " -m -l 1 --jobs 2 --list " + test::quoted(root_ + "/list.txt") + " -o " +
                                  test::quoted(root_ + "/out") + " --results " + test::quoted(log));
        EXPECT_EQ(share.status, 0) << share.out;
    }
    std::vector<Record> records = readLog(log);
    ASSERT_EQ(records.size(), 3u);
    std::map<std::string, std::string> outputs;
    for (Record& r : records) outputs[r["path"]] = r["output"];
    EXPECT_EQ(outputs[files_[0]], root_ + "/out/report/index.htm");
    EXPECT_EQ(outputs[files_[1]], root_ + "/out/report_2/index.htm");
    EXPECT_EQ(outputs[files_[2]], root_ + "/out/it's here/index.htm");
    for (auto& [pdf, output] : outputs) EXPECT_TRUE(pathExists(output)) << output;

    // Files named on the command line are never shared out by the array's variables.
    Shell single = test::shell("env -u DISPLAY SLURM_ARRAY_TASK_ID=1 SLURM_ARRAY_TASK_COUNT=2 XDG_CONFIG_HOME=" +
                               test::quoted(root_ + "/config") + " " + test::quoted(std::string(QM_BINARY_DIR) + "/vellumix") +
                               " -m -r -l 1 " + test::quoted(files_[0]) + " " + test::quoted(root_ + "/single.htm"));
    EXPECT_EQ(single.status, 0) << single.out;
    EXPECT_TRUE(pathExists(root_ + "/single/pg_0001.htm"));
}

TEST_F(BatchRun, BadListsAndSharesConvertNothing) {
    Shell missing = run("-m --list " + test::quoted(root_ + "/none.txt"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("couldn't read the list"), std::string::npos) << missing.out;
    std::ofstream(root_ + "/nul.txt") << files_[0] << "\n" << std::string("a\0b", 3) << "\n";
    Shell nul = run("-m --list " + test::quoted(root_ + "/nul.txt") + " -o " + test::quoted(root_ + "/out"));
    EXPECT_EQ(nul.status, 1);
    EXPECT_NE(nul.out.find("line 2 is not a file name"), std::string::npos) << nul.out;
    EXPECT_FALSE(pathExists(root_ + "/out"));

    for (const char* bad : {"--task-index 2 --task-count 2", "--task-index 0", "--task-count 0", "--task-index -1"}) {
        Shell share = run("-m --list " + test::quoted(root_ + "/list.txt") + " -o " + test::quoted(root_ + "/out") + " " + bad);
        EXPECT_EQ(share.status, 2) << bad << share.out;
    }
    EXPECT_FALSE(pathExists(root_ + "/out"));
    Shell dir = run("-m --list " + test::quoted(root_ + "/list.txt") + " --skip-done " + test::quoted(root_));
    EXPECT_EQ(dir.status, 1);
    EXPECT_NE(dir.out.find("couldn't read the results log"), std::string::npos) << dir.out;
    std::ofstream(root_ + "/empty.txt") << "\n";
    EXPECT_EQ(run("-m --list " + test::quoted(root_ + "/empty.txt")).status, 0);
}

}  // namespace
}  // namespace qm

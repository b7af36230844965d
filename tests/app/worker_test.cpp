#include "app/worker.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "convert/settings.h"
#include "platform/system/file_ops.h"
#include "support/corpus_manifest.h"
#include "support/test_files.h"

namespace qm {
namespace {

using test::corpusPath;
using test::pathExists;
using test::readWholeFile;

// Remembers everything the worker reports, and answers questions as told.
class RecordingObserver : public WorkerObserver {
public:
    void busyChanged(bool busy) override { add(busy ? "busy" : "idle"); }
    void fileStarted(const std::string& source) override { add("file " + source); }
    void fileSizeText(const std::string& text) override { add("size " + text); }
    void pdfVersionText(const std::string& text) override { add("version " + text); }
    void pageText(const std::string& text) override {
        add(text);
        if (onPage) onPage(text);
    }
    void filesLeftText(const std::string& text) override { add(text); }
    void fileProgress(int) override {}
    void pageProgress(int) override {}
    void message(const std::string&, const std::string& text) override { add("message " + text); }
    OverwriteAnswer askOverwrite(const std::string&, const std::string& question) override {
        add("ask " + question);
        return answer;
    }
    std::string askOutputPath(const std::string&, bool) override { return picked; }
    void fileFinished(const std::string&, const std::string&, FileOutcome outcome) override {
        add(outcome == FileOutcome::skipped   ? "skipped"
            : outcome == FileOutcome::stopped ? "stopped"
            : outcome == FileOutcome::converted ? "converted"
                                                : "failed");
        if (onFinished) onFinished();
    }
    void queueFinished(bool anyFailed) override { add(anyFailed ? "finished with failures" : "finished"); }

    std::vector<std::string> events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    bool saw(const std::string& prefix) {
        for (const std::string& e : events()) {
            if (e.rfind(prefix, 0) == 0) return true;
        }
        return false;
    }
    int count(const std::string& prefix) {
        int n = 0;
        for (const std::string& e : events()) n += e.rfind(prefix, 0) == 0;
        return n;
    }

    OverwriteAnswer answer = OverwriteAnswer::yes;
    std::string picked;
    std::function<void(const std::string&)> onPage;
    std::function<void()> onFinished;

private:
    void add(std::string e) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(e));
    }
    std::mutex mutex_;
    std::vector<std::string> events_;
};

// Every test gets its own profile, config.ini and output folder.
class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = ::testing::TempDir() + "worker_test_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                "_" + std::to_string(::getpid());  // test runs of other checkouts use the same temporary folder
        deleteFolderTree(root_);
        ASSERT_TRUE(makeDirectoryPath(root_ + "/config"));
        const char* old = std::getenv("XDG_CONFIG_HOME");
        savedConfig_ = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
        Settings::clearOverrides();
    }
    void TearDown() override {
        Settings::clearOverrides();
        if (savedConfig_) setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
        deleteFolderTree(root_);
    }
    // A copy of a corpus file inside the test folder (BMP jobs write beside their PDF).
    std::string copyOf(const char* name) {
        std::string to = root_ + "/" + name;
        EXPECT_TRUE(copyFile(corpusPath(name), to));
        return to;
    }
    std::string root_;
    std::optional<std::string> savedConfig_;
};

TEST_F(WorkerTest, AQueueOfOneWritesACompleteSiteAndFinishes) {
    RecordingObserver observer;
    ConversionWorker worker(observer);
    std::string out = root_ + "/out/outline/index.htm";
    worker.enqueue({corpusPath("latex-outline.pdf"), out});
    EXPECT_TRUE(worker.runQueue());
    auto events = observer.events();
    EXPECT_EQ(events.front(), "busy");
    EXPECT_EQ(events.back(), "idle");
    EXPECT_TRUE(observer.saw("finished"));
    EXPECT_FALSE(observer.saw("finished with failures"));
    EXPECT_TRUE(observer.saw("page 4 of 4"));
    EXPECT_TRUE(observer.saw("version %PDF-1.5"));
    EXPECT_TRUE(observer.saw("1 file(s) left."));
    for (const char* name : {"index.htm", "pg_nav.htm", "pg_index.htm", "pg_bmark.htm", "pg_0001.htm", "pg_0004.htm",
                             "pg_0001.jpg", "pg_0004.jpg"}) {
        EXPECT_TRUE(pathExists(root_ + "/out/outline/" + name)) << name;
    }
    EXPECT_FALSE(pathExists(root_ + "/out/outline/pg_0005.htm"));
    EXPECT_FALSE(pathExists(root_ + "/out/outline/pg_0001.bmp"));
    EXPECT_NE(readWholeFile(root_ + "/out/outline/index.htm").find("var lastpage = 4;"), std::string::npos);
    EXPECT_NE(readWholeFile(root_ + "/out/outline/pg_bmark.htm").find("insDoc("), std::string::npos);
}

TEST_F(WorkerTest, CancelSkipsAnExistingOutputAndNoPicksAnotherFolder) {
    std::string out = root_ + "/out/doc/index.htm";
    ASSERT_TRUE(makeDirectoryPath(root_ + "/out/doc"));
    std::ofstream(out) << "mine";
    RecordingObserver observer;
    observer.answer = OverwriteAnswer::cancel;
    ConversionWorker worker(observer);
    worker.enqueue({corpusPath("ghostscript-pdfa.pdf"), out});
    EXPECT_FALSE(worker.runQueue());
    EXPECT_TRUE(observer.saw("ask " + out + " already exists. Overwrite it? Select Cancel to skip the file."));
    EXPECT_TRUE(observer.saw("skipped"));
    EXPECT_TRUE(observer.saw("finished"));
    EXPECT_EQ(readWholeFile(out), "mine");

    observer.answer = OverwriteAnswer::no;
    observer.picked = root_ + "/other/renamed.htm";
    worker.enqueue({corpusPath("ghostscript-pdfa.pdf"), out});
    EXPECT_TRUE(worker.runQueue());
    EXPECT_EQ(readWholeFile(out), "mine");
    EXPECT_TRUE(pathExists(root_ + "/other/renamed/index.htm"));
    EXPECT_TRUE(pathExists(root_ + "/other/renamed/pg_0001.htm"));
}

TEST_F(WorkerTest, PageRangesAreCheckedCutAndNumberedFromOne) {
    RecordingObserver observer;
    ConversionWorker worker(observer);
    Settings::setOverride(Setting::pageRangeType, 1);
    Settings::setOverride(Setting::pageFrom, 3);
    Settings::setOverride(Setting::pageTo, 2);
    EXPECT_FALSE(worker.convertOneFile(corpusPath("reportlab-16p.pdf"), root_ + "/bad/index.htm"));
    EXPECT_TRUE(observer.saw("message Page range is incorrect,Please check it in option dialog,and try again."));
    EXPECT_FALSE(pathExists(root_ + "/bad/pg_0001.htm"));

    Settings::setOverride(Setting::pageFrom, 5);
    Settings::setOverride(Setting::pageTo, 7);
    EXPECT_TRUE(worker.convertOneFile(corpusPath("reportlab-16p.pdf"), root_ + "/five/index.htm"));
    EXPECT_TRUE(pathExists(root_ + "/five/pg_0001.htm"));
    EXPECT_TRUE(pathExists(root_ + "/five/pg_0003.htm"));
    EXPECT_FALSE(pathExists(root_ + "/five/pg_0004.htm"));
    std::string frameset = readWholeFile(root_ + "/five/index.htm");
    EXPECT_NE(frameset.find("var firstpage = 1;\r\nvar lastpage = 3;"), std::string::npos);

    Settings::setOverride(Setting::pageFrom, 15);
    Settings::setOverride(Setting::pageTo, 400);
    EXPECT_TRUE(worker.convertOneFile(corpusPath("reportlab-16p.pdf"), root_ + "/cut/index.htm"));
    EXPECT_TRUE(observer.saw("page 2 of 2"));
    EXPECT_TRUE(pathExists(root_ + "/cut/pg_0002.htm"));

    Settings::setOverride(Setting::pageFrom, 40);
    EXPECT_FALSE(worker.convertOneFile(corpusPath("reportlab-16p.pdf"), root_ + "/after/index.htm"));
    EXPECT_TRUE(observer.saw("message The '" + corpusPath("reportlab-16p.pdf") +
                             "' file only contain 16 pages, please correct the page range in the setting dialog and try again."));
}

TEST_F(WorkerTest, ABadRangeStopsOneFileButNotTheQueue) {
    RecordingObserver observer;
    ConversionWorker worker(observer);
    Settings::setOverride(Setting::pageRangeType, 1);
    Settings::setOverride(Setting::pageFrom, 3);
    Settings::setOverride(Setting::pageTo, 2);
    // Settings are read per file: the range is mended once the first file has been refused.
    observer.onFinished = [] { Settings::setOverride(Setting::pageRangeType, 0); };
    worker.enqueue({corpusPath("reportlab-16p.pdf"), root_ + "/a/index.htm"});
    worker.enqueue({corpusPath("ghostscript-pdfa.pdf"), root_ + "/b/index.htm"});
    EXPECT_FALSE(worker.runQueue());
    EXPECT_EQ(observer.count("failed"), 1);
    EXPECT_EQ(observer.count("converted"), 1);
    EXPECT_TRUE(pathExists(root_ + "/b/pg_0001.htm"));
    EXPECT_TRUE(observer.saw("finished with failures"));
}

TEST_F(WorkerTest, ContinuousModeWithoutPicturesLeavesOneFile) {
    RecordingObserver observer;
    ConversionWorker worker(observer);
    Settings::setOverride(Setting::continuousMode, 1);
    Settings::setOverride(Setting::removePictures, 1);
    EXPECT_TRUE(worker.convertOneFile(corpusPath("word365-3p.pdf"), root_ + "/out/doc/index.htm"));
    EXPECT_TRUE(pathExists(root_ + "/out/doc.htm"));
    EXPECT_FALSE(pathExists(root_ + "/out/doc"));
    std::string page = readWholeFile(root_ + "/out/doc.htm");
    EXPECT_NE(page.find("<html>"), std::string::npos);
}

TEST_F(WorkerTest, BmpJobsNameTheirFilesAfterThePdf) {
    RecordingObserver observer;
    ConversionWorker worker(observer);
    Settings::setOverride(Setting::convertType, kConvertToBmp);
    Settings::setOverride(Setting::zoom, 36);
    std::string pdf = copyOf("word365-3p.pdf");
    EXPECT_TRUE(worker.convertOneFile(pdf, root_ + "/ignored/index.htm"));
    for (const char* suffix : {"_001.bmp", "_002.bmp", "_003.bmp"}) {
        std::string bmp = readWholeFile(pdf + suffix);
        ASSERT_GT(bmp.size(), 54u) << suffix;
        EXPECT_EQ(bmp.substr(0, 2), "BM");
    }
    EXPECT_FALSE(pathExists(pdf + "_004.bmp"));
    EXPECT_FALSE(pathExists(root_ + "/ignored"));
}

TEST_F(WorkerTest, StopEndsAfterTheCurrentPageAndPauseHoldsBetweenPages) {
    RecordingObserver observer;
    ConversionWorker worker(observer);
    std::atomic<ConversionWorker*> target{&worker};
    observer.onPage = [&](const std::string& text) {
        if (text == "page 2 of 16") target.load()->stop();
    };
    worker.enqueue({corpusPath("reportlab-16p.pdf"), root_ + "/stop/index.htm"});
    worker.enqueue({corpusPath("ghostscript-pdfa.pdf"), root_ + "/never/index.htm"});
    EXPECT_FALSE(worker.runQueue());
    // The stopped file leaves nothing behind, not even the folder made for it.
    EXPECT_FALSE(pathExists(root_ + "/stop"));
    EXPECT_TRUE(observer.saw("stopped"));
    EXPECT_FALSE(pathExists(root_ + "/never"));
    EXPECT_TRUE(observer.saw("finished"));
    EXPECT_EQ(worker.queued(), 0u);

    // Pause on a thread: the worker holds before its next page until resumed.
    RecordingObserver paused;
    ConversionWorker threaded(paused);
    std::atomic<bool> pausedOnce{false};
    paused.onPage = [&](const std::string& text) {
        if (text == "page 1 of 16" && !pausedOnce.exchange(true)) threaded.pause();
    };
    ASSERT_TRUE(threaded.start());
    threaded.enqueue({corpusPath("reportlab-16p.pdf"), root_ + "/pause/index.htm"});
    // Generous waits: on a loaded machine the first page may take seconds to come.
    for (int i = 0; i < 3000 && !(pausedOnce && threaded.paused()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(pausedOnce);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(threaded.paused());
    EXPECT_FALSE(paused.saw("page 2 of 16"));
    EXPECT_FALSE(pathExists(root_ + "/pause/pg_0002.htm"));
    threaded.resume();
    for (int i = 0; i < 6000 && !paused.saw("idle"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(paused.saw("page 16 of 16"));
    EXPECT_TRUE(pathExists(root_ + "/pause/pg_0016.htm"));
    threaded.shutdown();
}

TEST_F(WorkerTest, EncryptedFilesOpenWithTheProfilePassword) {
    RecordingObserver observer;
    ConversionWorker worker(observer);
    EXPECT_FALSE(worker.convertOneFile(corpusPath("enc-rc4-128-pw.pdf"), root_ + "/no/index.htm"));
    EXPECT_TRUE(observer.saw("message '" + corpusPath("enc-rc4-128-pw.pdf") + "' is protected by a password"));
    Settings::setOverride(Setting::userPassword, std::string("wrong"));
    EXPECT_FALSE(worker.convertOneFile(corpusPath("enc-rc4-128-pw.pdf"), root_ + "/no/index.htm"));
    EXPECT_TRUE(observer.saw("message The password does not open '"));
    EXPECT_FALSE(pathExists(root_ + "/no"));
    Settings::clearOverrides();
    ASSERT_TRUE(Settings::write(Setting::userPassword, "openpassword"));
    EXPECT_TRUE(worker.convertOneFile(corpusPath("enc-rc4-128-pw.pdf"), root_ + "/yes/index.htm"));
    EXPECT_TRUE(pathExists(root_ + "/yes/pg_0001.htm"));
}

TEST(WorkerPaths, NamesOfPagesBitmapsAndSizes) {
    EXPECT_EQ(pageFilePath("/d/out/doc/index.htm", 5, 7), "/d/out/doc/pg_0003.htm");
    EXPECT_EQ(bmpPagePath("/d/a/x.pdf", 1), "/d/a/x.pdf_001.bmp");
    EXPECT_EQ(fileSizeText(123456), "123456<120.56K>");
    EXPECT_EQ(fileSizeText(5242880), "5242880<5.00M>");
    EXPECT_EQ(fileSizeText(1024 * 1023), "1047552<1023.00K>");
}

}  // namespace
}  // namespace qm

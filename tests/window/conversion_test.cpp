// Real conversions driven from the window: progress to the end and "Convert Finished!",
// pause and resume, stop, the worker's questions and messages, exit after converting, and
// closing while a file converts.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include "app/window/main_window.h"
#include "app/window/window_observer.h"
#include "convert/settings.h"
#include "window_test_support.h"

namespace qm::test {

namespace {

constexpr int kTimeout = 180000;

QString copyCorpus(const char* name, const QString& folder, const QString& as) {
    const QString target = folder + QLatin1Char('/') + as;
    if (!QFile::copy(corpusFile(name), target)) qFatal("cannot copy %s", name);
    return target;
}

int pageFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("pg_0*.htm")}, QDir::Files).size();
}

}  // namespace

class ConversionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<IsolatedProfile> profile_;
    ScriptedChoosers choosers_;

    static QProgressBar* pageBar(MainWindow& w) { return w.findChild<QProgressBar*>(QStringLiteral("pageProgress")); }
    static QPushButton* button(MainWindow& w, const char* name) {
        return w.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    static QString labelText(MainWindow& w, const char* name) {
        return w.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

private slots:
    void init() {
        profile_ = std::make_unique<IsolatedProfile>();
        choosers_ = ScriptedChoosers();
    }
    void cleanup() { profile_.reset(); }

    void aCorpusFileConvertsToTheEnd() {
        const QString work = profile_->workFolder();
        const QString pdf = copyCorpus("latex-outline.pdf", work, QStringLiteral("outline.pdf"));
        const QString site = work + QStringLiteral("/site");
        MainWindow window(&choosers_);
        window.show();
        MessageBoxAnswerer answerer;
        QList<int> progress;
        QStringList pageTexts;
        bool checkedWhileBusy = false;
        bool openRefused = false;
        bool optionsRefused = false;
        connect(pageBar(window), &QProgressBar::valueChanged, this, [&](int v) {
            progress << v;
            const QString text = labelText(window, "pageOfPages");
            if (pageTexts.isEmpty() || pageTexts.constLast() != text) pageTexts << text;
            if (v == 0 || checkedWhileBusy) return;
            checkedWhileBusy = true;
            QVERIFY(window.busy());
            QCOMPARE(button(window, "stopButton")->text(), QStringLiteral("Stop"));
            QVERIFY(button(window, "pauseButton")->isEnabled());
            QVERIFY(!button(window, "openButton")->isEnabled());
            QVERIFY(!button(window, "optionsButton")->isEnabled());
            QCOMPARE(window.cursor().shape(), Qt::BusyCursor);
            QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("sourcePath"))->text(), pdf);
            QCOMPARE(labelText(window, "fileSize"), QStringLiteral("48722<47.58K>"));
            QCOMPARE(labelText(window, "filesLeft"), QStringLiteral("1 file(s) left."));
            // Open and Options are ignored while the queue is worked off.
            window.addFiles();
            openRefused = choosers_.openCalls == 0;
            bool optionsShown = false;
            QTimer::singleShot(300, [&] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (w->objectName() == QStringLiteral("optionsDialog") && w->isVisible()) {
                        optionsShown = true;
                        static_cast<QDialog*>(w)->reject();
                    }
                }
            });
            window.openOptions();
            QTest::qWait(400);
            optionsRefused = !optionsShown;
        });
        QVERIFY(window.startWorker());
        window.enqueue(pdf, site + QStringLiteral("/index.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(QStringLiteral("Convert Finished!")) == 1, kTimeout);
        const MessageBoxAnswerer::Seen& finished = answerer.seen().constLast();
        QCOMPARE(finished.title, QStringLiteral("Confirm"));
        QCOMPARE(finished.icon, QMessageBox::Question);
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(checkedWhileBusy);
        QVERIFY(openRefused);
        QVERIFY(optionsRefused);

        // Every page was shown, and the bar reached its end.
        QCOMPARE(pageTexts.mid(0, 4), (QStringList{"page 1 of 4", "page 2 of 4", "page 3 of 4", "page 4 of 4"}));
        QVERIFY(progress.contains(99));
        QCOMPARE(progress.mid(0, 4), (QList<int>{24, 49, 74, 99}));
        QCOMPARE(pageFiles(site), 4);
        for (const char* file : {"index.htm", "pg_0001.jpg", "pg_0004.htm", "pg_0004.jpg"})
            QVERIFY2(QFileInfo::exists(site + QLatin1Char('/') + QLatin1String(file)), file);

        // Idle again: buttons and texts reset.
        QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), kTimeout);
        QCOMPARE(button(window, "stopButton")->text(), QStringLiteral("Close"));
        QVERIFY(!button(window, "pauseButton")->isEnabled());
        QVERIFY(button(window, "openButton")->isEnabled());
        QVERIFY(window.findChild<QLineEdit*>(QStringLiteral("sourcePath"))->text().isEmpty());
        QVERIFY(labelText(window, "pageOfPages").isEmpty());
        QCOMPARE(pageBar(window)->value(), 0);
        QVERIFY(window.cursor().shape() != Qt::BusyCursor);
    }

    void pauseHoldsBetweenPagesAndResumeGoesOn() {
        const QString work = profile_->workFolder();
        const QString pdf = copyCorpus("rotated-20p.pdf", work, QStringLiteral("rotated.pdf"));
        const QString site = work + QStringLiteral("/rotated");
        MainWindow window(&choosers_);
        window.show();
        MessageBoxAnswerer answerer;
        bool pausedOnce = false;
        connect(pageBar(window), &QProgressBar::valueChanged, this, [&](int v) {
            if (v >= (100 * 1 + 99) / 20 && !pausedOnce) {
                pausedOnce = true;
                window.togglePause();
            }
        });
        QVERIFY(window.startWorker());
        window.enqueue(pdf, site + QStringLiteral("/index.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(pausedOnce, kTimeout);
        QVERIFY(window.paused());
        QCOMPARE(button(window, "pauseButton")->text(), QStringLiteral("Resume"));
        QVERIFY(!button(window, "stopButton")->isEnabled());
        QVERIFY(window.cursor().shape() != Qt::BusyCursor);

        // The page being converted may still finish; after that nothing moves.
        QTest::qWait(800);
        const QString heldText = labelText(window, "pageOfPages");
        const int heldFiles = pageFiles(site);
        QTest::qWait(1200);
        QCOMPARE(labelText(window, "pageOfPages"), heldText);
        QCOMPARE(pageFiles(site), heldFiles);
        QVERIFY(heldFiles < 20);
        QCOMPARE(answerer.seen().size(), 0);

        window.togglePause();
        QVERIFY(!window.paused());
        QCOMPARE(button(window, "pauseButton")->text(), QStringLiteral("Pause"));
        QVERIFY(button(window, "stopButton")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(QStringLiteral("Convert Finished!")) == 1, kTimeout);
        QCOMPARE(pageFiles(site), 20);
    }

    void stopEndsAfterTheCurrentPageAndEmptiesTheQueue() {
        const QString work = profile_->workFolder();
        const QString first = copyCorpus("rotated-20p.pdf", work, QStringLiteral("first.pdf"));
        const QString second = copyCorpus("rotated-20p.pdf", work, QStringLiteral("second.pdf"));
        MainWindow window(&choosers_);
        window.show();
        MessageBoxAnswerer answerer;
        bool stopped = false;
        connect(pageBar(window), &QProgressBar::valueChanged, this, [&](int v) {
            if (v >= (100 * 1 + 99) / 20 && !stopped) {
                stopped = true;
                QCOMPARE(button(window, "stopButton")->text(), QStringLiteral("Stop"));
                QTest::mouseClick(button(window, "stopButton"), Qt::LeftButton);
            }
        });
        QVERIFY(window.startWorker());
        window.enqueue(first, work + QStringLiteral("/first/index.htm"));
        window.enqueue(second, work + QStringLiteral("/second/index.htm"));
        const QString finished =
            QStringLiteral("Convert Finished!\n\n0 file(s) converted, 1 not converted:\n") + first;
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(finished) == 1, kTimeout);
        QVERIFY(stopped);
        // The stopped file leaves nothing: no page of it, not the folder made for it.
        QVERIFY(!QFileInfo::exists(work + QStringLiteral("/first")));
        // The second file was taken out of the queue without being started.
        QVERIFY(!QFileInfo::exists(work + QStringLiteral("/second")));
        QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), kTimeout);
        QCOMPARE(window.worker().queued(), size_t(0));
        QVERIFY(window.isVisible());
    }

    void anExistingOutputIsAskedAbout() {
        const QString work = profile_->workFolder();
        const QString pdf = copyCorpus("ghostscript-pdfa.pdf", work, QStringLiteral("crazy.pdf"));
        const QString output = work + QStringLiteral("/crazy/index.htm");
        QDir().mkpath(work + QStringLiteral("/crazy"));
        QFile existing(output);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        MainWindow window(&choosers_);
        MessageBoxAnswerer answerer;
        QVERIFY(window.startWorker());

        // Cancel skips the file, and the queue ends saying which file was not converted.
        answerer.answer = [](const QString& text) {
            return text.contains(QStringLiteral("already exists")) ? QMessageBox::Cancel : QMessageBox::Ok;
        };
        window.enqueue(pdf, output);
        const QString skipped = QStringLiteral("Convert Finished!\n\n0 file(s) converted, 1 not converted:\n") + pdf;
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(skipped) == 1, kTimeout);
        QVERIFY(window.anyFailed());
        QCOMPARE(answerer.seen().constFirst().text,
                 output + QStringLiteral(" already exists. Overwrite it? Select Cancel to skip the file."));
        QCOMPARE(answerer.seen().constFirst().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(pageFiles(work + QStringLiteral("/crazy")), 0);

        // No asks for another name, which becomes the site folder.
        answerer.answer = [](const QString& text) {
            return text.contains(QStringLiteral("already exists")) ? QMessageBox::No : QMessageBox::Ok;
        };
        choosers_.saveAs = work + QStringLiteral("/elsewhere.htm");
        window.enqueue(pdf, output);
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(QStringLiteral("Convert Finished!")) == 1, kTimeout);
        QCOMPARE(choosers_.saveCalls, 1);
        QCOMPARE(choosers_.saveProposed, output);
        QCOMPARE(pageFiles(work + QStringLiteral("/elsewhere")), 1);
        QCOMPARE(pageFiles(work + QStringLiteral("/crazy")), 0);

        // Yes converts over the old site.
        answerer.answer = [](const QString& text) {
            return text.contains(QStringLiteral("already exists")) ? QMessageBox::Yes : QMessageBox::Ok;
        };
        window.enqueue(pdf, output);
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(QStringLiteral("Convert Finished!")) == 2, kTimeout);
        QCOMPARE(pageFiles(work + QStringLiteral("/crazy")), 1);
    }

    void theWorkersMessagesAreShown() {
        const QString work = profile_->workFolder();
        const QString broken = work + QStringLiteral("/broken.pdf");
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a PDF file at all\n");
        f.close();
        const QString good = copyCorpus("ghostscript-pdfa.pdf", work, QStringLiteral("good.pdf"));
        MainWindow window(&choosers_);
        MessageBoxAnswerer answerer;
        // The warning stays unread until the whole queue is done, so "Convert Finished!"
        // arrives while it is on screen: it must wait its turn rather than cover it.
        answerer.hold = [&window] { return window.busy(); };
        // Both files are queued before the worker starts, so they make one run whose final
        // message counts them both.
        window.enqueue(broken, work + QStringLiteral("/broken/index.htm"));
        window.enqueue(good, work + QStringLiteral("/good/index.htm"));
        QVERIFY(window.startWorker());
        const QString finished = QStringLiteral("Convert Finished!\n\n1 file(s) converted, 1 not converted:\n") + broken;
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(finished) == 1, kTimeout);
        QCOMPARE(answerer.seen().size(), 2);
        QCOMPARE(answerer.mostOnScreen(), 1);
        QCOMPARE(answerer.seen().constLast().text, finished);
        const MessageBoxAnswerer::Seen& message = answerer.seen().constFirst();
        QCOMPARE(message.title, QStringLiteral("Quillmark"));
        QCOMPARE(message.icon, QMessageBox::Warning);
        QCOMPARE(message.text, QStringLiteral("'%1' is not a PDF file").arg(broken));
        // The next file of the queue is still converted.
        QCOMPARE(pageFiles(work + QStringLiteral("/good")), 1);
    }

    void bmpOutputWritesImagesBesideThePdf() {
        const QString work = profile_->workFolder();
        const QString pdf = copyCorpus("ghostscript-pdfa.pdf", work, QStringLiteral("pic.pdf"));
        MainWindow window(&choosers_);
        window.setOutputKind(kConvertToBmp);
        MessageBoxAnswerer answerer;
        QVERIFY(window.startWorker());
        QVERIFY(window.queueDropped({QUrl::fromLocalFile(pdf)}) == 1);
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(QStringLiteral("Convert Finished!")) == 1, kTimeout);
        QVERIFY(QFileInfo(pdf + QStringLiteral("_001.bmp")).size() > 1000);
        QVERIFY(!QFileInfo::exists(work + QStringLiteral("/pic")));

        // The name given in the save dialog is the name of the pictures.
        choosers_.files = QStringList{pdf};
        choosers_.saveAs = work + QStringLiteral("/shots/page.bmp");
        QVERIFY(QDir().mkpath(work + QStringLiteral("/shots")));
        window.addFiles();
        QTRY_VERIFY_WITH_TIMEOUT(answerer.count(QStringLiteral("Convert Finished!")) == 2, kTimeout);
        QVERIFY(QFileInfo(work + QStringLiteral("/shots/page_001.bmp")).size() > 1000);
        QVERIFY(!window.anyFailed());
    }

    void exitAfterConvertingClosesTheWindow() {
        const QString work = profile_->workFolder();
        const QString pdf = copyCorpus("ghostscript-pdfa.pdf", work, QStringLiteral("quit.pdf"));
        Settings::setOverride(Setting::exitAfterConverting, 1);
        MainWindow window(&choosers_);
        window.show();
        MessageBoxAnswerer answerer;
        QVERIFY(window.startWorker());
        window.enqueue(pdf, work + QStringLiteral("/quit/index.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), kTimeout);
        QCOMPARE(answerer.seen().size(), 0);
        QCOMPARE(pageFiles(work + QStringLiteral("/quit")), 1);
    }

    void closingWhileConvertingEndsTheWorker() {
        const QString work = profile_->workFolder();
        const QString pdf = copyCorpus("rotated-20p.pdf", work, QStringLiteral("closing.pdf"));
        MainWindow window(&choosers_);
        window.show();
        MessageBoxAnswerer answerer;
        bool closed = false;
        connect(pageBar(window), &QProgressBar::valueChanged, this, [&](int v) {
            if (v > 0 && !closed) {
                closed = true;
                window.close();
            }
        });
        QVERIFY(window.startWorker());
        window.enqueue(pdf, work + QStringLiteral("/closing/index.htm"));
        QTRY_VERIFY_WITH_TIMEOUT(closed, kTimeout);
        QVERIFY(!window.isVisible());
        // close() returned only after the worker ended: nothing is written any more.
        const int files = pageFiles(work + QStringLiteral("/closing"));
        QVERIFY(files < 20);
        QTest::qWait(500);
        QCOMPARE(pageFiles(work + QStringLiteral("/closing")), files);
    }

    void aWaitingQuestionIsReleasedWhenTheWindowCloses() {
        WindowObserver observer;
        bool asked = false;
        observer.overwriteQuestion = [&](const QString&, const QString&) {
            asked = true;
            return OverwriteAnswer::yes;
        };
        std::atomic<int> answer{-1};
        // The question waits for the window's thread, which is busy elsewhere...
        std::thread worker([&] { answer = static_cast<int>(observer.askOverwrite("/x/index.htm", "question")); });
        QTest::qSleep(200);
        QCOMPARE(answer.load(), -1);
        // ...until the window closes: then the file is skipped.
        observer.cancelQuestions();
        worker.join();
        QCOMPARE(answer.load(), static_cast<int>(OverwriteAnswer::cancel));
        QCoreApplication::processEvents();
        QVERIFY(!asked);
        // Later questions are not asked at all.
        QCOMPARE(observer.askOutputPath("/x/index.htm", false), std::string());
    }

    void aQuestionIsAnsweredOnTheWindowsThread() {
        WindowObserver observer;
        Qt::HANDLE askedOn = nullptr;
        observer.outputPathQuestion = [&](const QString& output, bool bmp) {
            askedOn = QThread::currentThreadId();
            return output + (bmp ? QStringLiteral(".bmp") : QStringLiteral(".htm"));
        };
        std::string picked;
        std::atomic<bool> done{false};
        std::thread worker([&] {
            picked = observer.askOutputPath("/a/b", true);
            done = true;
        });
        QTRY_VERIFY(done.load());
        worker.join();
        QCOMPARE(picked, std::string("/a/b.bmp"));
        QCOMPARE(askedOn, QThread::currentThreadId());
    }
};

}  // namespace qm::test

#include "conversion_test.moc"

int runConversionTest(int argc, char** argv) {
    qm::test::ConversionTest test;
    return QTest::qExec(&test, argc, argv);
}

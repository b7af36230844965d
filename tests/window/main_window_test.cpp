// The main window without conversions: output paths of added and dropped files, the
// controls and menu, always on top, the output kind, and what is refused while busy.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/window/main_window.h"
#include "convert/settings.h"
#include "window_test_support.h"

namespace qm::test {

namespace {

QString touch(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    f.write("%PDF-1.4\n");
    return path;
}

QList<QPair<QString, QString>> jobsOf(const QSignalSpy& spy) {
    QList<QPair<QString, QString>> jobs;
    for (const QList<QVariant>& args : spy) jobs.append({args.at(0).toString(), args.at(1).toString()});
    return jobs;
}

QAction* menuAction(QMainWindow& window, const QString& text) {
    for (QAction* a : window.findChildren<QAction*>())
        if (a->text() == text) return a;
    return nullptr;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<IsolatedProfile> profile_;
    ScriptedChoosers choosers_;

private slots:
    void init() {
        profile_ = std::make_unique<IsolatedProfile>();
        choosers_ = ScriptedChoosers();
    }
    void cleanup() { profile_.reset(); }

    void oneFileBecomesTheChosenSiteFolder() {
        const QString in = profile_->workFolder();
        const QString pdf = touch(in + QStringLiteral("/report.pdf"));
        MainWindow window(&choosers_);
        QSignalSpy queued(&window, &MainWindow::jobQueued);
        choosers_.files = {pdf};
        choosers_.saveAs = QStringLiteral("/sites/annual.htm");
        window.addFiles();
        // The open dialog starts in the home folder of a fresh profile; the save dialog
        // proposes the PDF's name in its folder.
        QCOMPARE(choosers_.openStart, profile_->folder());
        QCOMPARE(choosers_.saveProposed, in + QStringLiteral("/report"));
        QVERIFY(!choosers_.saveBmp);
        QCOMPARE(choosers_.folderCalls, 0);
        QCOMPARE(jobsOf(queued), (QList<QPair<QString, QString>>{{pdf, QStringLiteral("/sites/annual/index.htm")}}));
        QCOMPARE(window.worker().queued(), size_t(1));
        // The PDF's folder is remembered for the next open dialog.
        QCOMPARE(QString::fromStdString(Settings::readText(Setting::lastOpenPath)), in);
        window.addFiles();
        QCOMPARE(choosers_.openStart, in);

        // Cancelling the save dialog queues nothing; BMP output asks with the BMP filter.
        window.setOutputKind(kConvertToBmp);
        choosers_.saveAs.clear();
        window.addFiles();
        QVERIFY(choosers_.saveBmp);
        QCOMPARE(queued.size(), 2);
    }

    void threeFilesGoIntoTheChosenFolder() {
        const QString in = profile_->workFolder();
        QStringList pdfs;
        for (const char* name : {"a.pdf", "b.PDF", "c.d.pdf"}) pdfs << touch(in + QLatin1Char('/') + QLatin1String(name));
        Settings::write(Setting::saveDirectory, "/previous/out");
        MainWindow window(&choosers_);
        QSignalSpy queued(&window, &MainWindow::jobQueued);
        choosers_.files = pdfs;
        choosers_.folder = QStringLiteral("/out");
        window.addFiles();
        QCOMPARE(choosers_.saveCalls, 0);
        QCOMPARE(choosers_.folderStart, QStringLiteral("/previous/out"));
        QCOMPARE(jobsOf(queued), (QList<QPair<QString, QString>>{{pdfs[0], QStringLiteral("/out/a/index.htm")},
                                                                  {pdfs[1], QStringLiteral("/out/b/index.htm")},
                                                                  {pdfs[2], QStringLiteral("/out/c.d/index.htm")}}));
        QCOMPARE(Settings::readText(Setting::saveDirectory), std::string("/out"));
        QCOMPARE(QString::fromStdString(Settings::readText(Setting::lastOpenPath)), in);
        // A cancelled folder chooser queues nothing and remembers nothing.
        choosers_.folder.clear();
        window.addFiles();
        QCOMPARE(queued.size(), 3);
        QCOMPARE(Settings::readText(Setting::saveDirectory), std::string("/out"));
    }

    void droppedPdfFilesAreQueuedBesideThemselves() {
        const QString in = profile_->workFolder();
        const QString pdf = touch(in + QStringLiteral("/dropped.pdf"));
        const QString upper = touch(in + QStringLiteral("/LOUD.PDF"));
        const QString text = touch(in + QStringLiteral("/notes.txt"));
        QDir(in).mkdir(QStringLiteral("folder.pdf"));
        MainWindow window(&choosers_);
        window.show();
        QVERIFY(window.acceptDrops());
        QSignalSpy queued(&window, &MainWindow::jobQueued);

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(pdf), QUrl::fromLocalFile(text), QUrl::fromLocalFile(in + "/folder.pdf"),
                      QUrl(QStringLiteral("https://example.test/remote.pdf")), QUrl::fromLocalFile(upper),
                      QUrl::fromLocalFile(in + QStringLiteral("/gone.pdf"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(jobsOf(queued), (QList<QPair<QString, QString>>{{pdf, in + QStringLiteral("/dropped/index.htm")},
                                                                  {upper, in + QStringLiteral("/LOUD/index.htm")}}));
        // Dropping never asks anything.
        QCOMPARE(choosers_.openCalls + choosers_.saveCalls + choosers_.folderCalls, 0);

        // Nothing but other files: the drag is refused.
        QMimeData others;
        others.setUrls({QUrl::fromLocalFile(text)});
        QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &others, Qt::LeftButton, Qt::NoModifier);
        refused.setAccepted(false);
        QApplication::sendEvent(&window, &refused);
        QVERIFY(!refused.isAccepted());
        QMimeData plain;
        plain.setText(pdf);
        QDragEnterEvent textOnly(QPoint(10, 10), Qt::CopyAction, &plain, Qt::LeftButton, Qt::NoModifier);
        textOnly.setAccepted(false);
        QApplication::sendEvent(&window, &textOnly);
        QVERIFY(!textOnly.isAccepted());
    }

    void controlsAndMenuWhenIdle() {
        MainWindow window(&choosers_);
        QCOMPARE(window.windowTitle(), QStringLiteral("Quillmark"));
        auto* stop = window.findChild<QPushButton*>(QStringLiteral("stopButton"));
        auto* pause = window.findChild<QPushButton*>(QStringLiteral("pauseButton"));
        QCOMPARE(stop->text(), QStringLiteral("Close"));
        QCOMPARE(pause->text(), QStringLiteral("Pause"));
        QVERIFY(!pause->isEnabled());
        QVERIFY(window.findChild<QPushButton*>(QStringLiteral("openButton"))->isEnabled());
        QVERIFY(window.findChild<QPushButton*>(QStringLiteral("optionsButton"))->isEnabled());
        QVERIFY(!window.findChild<QProgressBar*>(QStringLiteral("fileProgress"))->isVisibleTo(&window));
        QVERIFY(window.findChild<QProgressBar*>(QStringLiteral("pageProgress"))->isVisibleTo(&window));
        QVERIFY(window.findChild<QLineEdit*>(QStringLiteral("sourcePath"))->isReadOnly());
        QVERIFY(!window.windowIcon().isNull());

        // One shortcut per action, shown in the menu.
        struct Item {
            const char* text;
            QKeySequence keys;
        } items[] = {{"&Open...", QKeySequence(QStringLiteral("Ctrl+O"))},
                     {"Op&tions...", QKeySequence(QStringLiteral("Ctrl+T"))},
                     {"Always on To&p", QKeySequence(QStringLiteral("Ctrl+Shift+T"))},
                     {"&Exit", QKeySequence(QStringLiteral("Ctrl+Q"))},
                     {"&Contents...", QKeySequence(QStringLiteral("F1"))}};
        QSet<QKeySequence> used;
        for (const Item& item : items) {
            QAction* a = menuAction(window, QString::fromLatin1(item.text));
            QVERIFY2(a, item.text);
            QCOMPARE(a->shortcut(), item.keys);
            used.insert(a->shortcut());
        }
        QCOMPARE(used.size(), 5);
        QVERIFY(menuAction(window, QStringLiteral("&About Quillmark...")));
        QVERIFY(menuAction(window, QStringLiteral("&Technical support ...")));

        // Close ends the program when nothing converts.
        window.show();
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(!window.isVisible());
    }

    void alwaysOnTopTogglesItsSetting() {
        MainWindow window(&choosers_);
        window.show();
        QAction* top = window.findChild<QAction*>(QStringLiteral("topMostAction"));
        QVERIFY(!top->isChecked());
        QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
        top->trigger();
        QVERIFY(top->isChecked());
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.isVisible());
        QCOMPARE(Settings::readInt(Setting::windowTopMost), 1);
        top->trigger();
        QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
        QCOMPARE(Settings::readInt(Setting::windowTopMost), 0);
        QVERIFY(window.isVisible());

        // The setting is in force when the window opens.
        Settings::write(Setting::windowTopMost, 1);
        MainWindow next(&choosers_);
        QVERIFY(next.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(next.findChild<QAction*>(QStringLiteral("topMostAction"))->isChecked());
    }

    void outputKindSetsTheTitleAndIsWrittenBack() {
        MainWindow window(&choosers_);
        menuAction(window, QStringLiteral("&BMP Images"))->trigger();
        QCOMPARE(window.windowTitle(), QStringLiteral("RASTELLO v1.6"));
        QCOMPARE(Settings::readInt(Setting::convertType), kConvertToBmp);
        MainWindow second(&choosers_);
        QCOMPARE(second.windowTitle(), QStringLiteral("RASTELLO v1.6"));
        QVERIFY(menuAction(second, QStringLiteral("&BMP Images"))->isChecked());
        menuAction(second, QStringLiteral("&HTML Page Sets"))->trigger();
        QCOMPARE(second.windowTitle(), QStringLiteral("Quillmark"));
        QCOMPARE(Settings::readInt(Setting::convertType), kConvertToHtml);
        // --bmp for this run shows BMP without saving it; choosing HTML then wins over it.
        Settings::setOverride(Setting::convertType, kConvertToBmp);
        MainWindow switched(&choosers_);
        QCOMPARE(switched.windowTitle(), QStringLiteral("RASTELLO v1.6"));
        QCOMPARE(Settings::readStoredInt(Setting::convertType), kConvertToHtml);
        menuAction(switched, QStringLiteral("&HTML Page Sets"))->trigger();
        QCOMPARE(Settings::readInt(Setting::convertType), kConvertToHtml);
        // An unknown kind in the profile is shown as HTML.
        Settings::write(Setting::convertType, 7);
        MainWindow third(&choosers_);
        QCOMPARE(third.windowTitle(), QStringLiteral("Quillmark"));
    }

    void helpContentsOpensTheGuide() {
        MainWindow window(&choosers_);
        QList<QUrl> opened;
        window.setDesktopOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        menuAction(window, QStringLiteral("&Contents..."))->trigger();
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.constFirst().isLocalFile());
        QVERIFY(opened.constFirst().toLocalFile().endsWith(QStringLiteral("help/index.html")));
        QVERIFY(QFileInfo::exists(opened.constFirst().toLocalFile()));
        menuAction(window, QStringLiteral("&Technical support ..."))->trigger();
        QCOMPARE(opened.constLast().scheme(), QStringLiteral("mailto"));
    }
};

}  // namespace qm::test

#include "main_window_test.moc"

int runMainWindowTest(int argc, char** argv) {
    qm::test::MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

// The about box, its links and their failure texts, Help > Contents, and when the program
// opens its window at all.
#include <QtTest>
#include <memory>

#include "app/command_line.h"
#include "app/window/about_box.h"
#include "app/window/link_errors.h"
#include "app/window/link_label.h"
#include "app/window/product.h"
#include "app/window/window_main.h"
#include "window_test_support.h"

namespace qm::test {

class AboutTest : public QObject {
    Q_OBJECT

    std::unique_ptr<IsolatedProfile> profile_;

private slots:
    void init() { profile_ = std::make_unique<IsolatedProfile>(); }
    void cleanup() { profile_.reset(); }

    void linkErrorTexts() {
        QCOMPARE(linkErrorText(26), QStringLiteral("A sharing violation occurred. "));
        QCOMPARE(linkErrorText(0), QStringLiteral("The operating system is out\nof memory or resources."));
        QCOMPARE(linkErrorText(2), QStringLiteral("The specified file was not found."));
        QCOMPARE(linkErrorText(31),
                 QStringLiteral("There is no application associated\nwith the given filename extension."));
        QCOMPARE(linkErrorText(32), QStringLiteral("The specified dynamic-link library was not found."));
        // Codes between and beyond the table have no text of their own.
        for (int code : {1, 4, 25, 33, -1, 1000}) {
            QCOMPARE(linkErrorText(code), QStringLiteral("Unknown Error (%1) occurred.").arg(code));
        }
        // Every code of the table has a text of its own, and no two are the same.
        QSet<QString> texts;
        for (int code : {0, 2, 3, 5, 8, 11, 26, 27, 28, 29, 30, 31, 32}) {
            QVERIFY(!linkErrorText(code).startsWith(QStringLiteral("Unknown")));
            texts.insert(linkErrorText(code));
        }
        QCOMPARE(texts.size(), 13);
        QCOMPARE(linkFailureMessage(26), QStringLiteral("Unable to open hyperlink:\n\nA sharing violation occurred. "));
    }

    void aboutBoxShowsNameVersionAndLinks() {
        AboutBox about;
        QCOMPARE(about.windowTitle(), QStringLiteral("VELLUMIX version 1.6"));
        auto* title = about.findChild<QLabel*>(QStringLiteral("aboutTitle"));
        QVERIFY(title);
        QCOMPARE(title->text(), QStringLiteral("VELLUMIX version 1.6"));
        auto* web = about.findChild<LinkLabel*>(QStringLiteral("webLink"));
        auto* mail = about.findChild<LinkLabel*>(QStringLiteral("mailLink"));
        QVERIFY(web && mail);
        QCOMPARE(web->address().scheme(), QStringLiteral("https"));
        QCOMPARE(mail->address().scheme(), QStringLiteral("mailto"));
        // The mail link shows the address without its scheme; the tooltip has it whole.
        QVERIFY(!mail->text().startsWith(QStringLiteral("mailto:")));
        QCOMPARE(mail->toolTip(), mail->address().toString());
        QVERIFY(web->font().underline());
    }

    void aClickedLinkOpensThroughTheDesktopAndTurnsPurple() {
        LinkLabel link(QUrl(QStringLiteral("https://example.test/")), QStringLiteral("site"));
        QList<QUrl> opened;
        link.setOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        link.resize(link.sizeHint());
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0, 0, 0xEE));
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.test/"))});
        QVERIFY(link.visited());
        QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0x55, 0x1A, 0x8B));
        // The keyboard opens it too.
        QTest::keyClick(&link, Qt::Key_Return);
        QCOMPARE(opened.size(), 2);
        // A right click does not.
        QTest::mouseClick(&link, Qt::RightButton, {}, QPoint(2, 2));
        QCOMPARE(opened.size(), 2);
    }

    void aLinkThatCannotBeOpenedSaysWhy() {
        MessageBoxAnswerer answerer;
        LinkLabel link(QUrl(QStringLiteral("https://example.test/")));
        link.setOpener([](const QUrl&) { return false; });
        link.open();
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().constFirst().text, linkFailureMessage(kLinkNoAssociation));
        QCOMPARE(answerer.seen().constFirst().icon, QMessageBox::Warning);
        QVERIFY(!link.visited());
        // A file that is not there is not handed to the desktop at all.
        bool called = false;
        LinkLabel file(QUrl::fromLocalFile(profile_->folder() + QStringLiteral("/missing.html")));
        file.setOpener([&](const QUrl&) { return called = true; });
        file.open();
        QVERIFY(!called);
        QCOMPARE(answerer.seen().constLast().text,
                 QStringLiteral("Unable to open hyperlink:\n\nThe specified file was not found."));
    }

    void theUserGuideIsThere() {
        const QString guide = userGuidePath();
        QVERIFY2(QFileInfo(guide).isFile(), qPrintable(guide));
        QFile page(guide);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(page.readAll());
        // What the program does, the options and the command line.
        for (const char* part : {"Quillmark user guide", "General", "Character position", "PDF Passwords",
                                 "HTML Options", "Raster Image", "Hyperlinks", "--no-window", "Convert Finished!"}) {
            QVERIFY2(text.contains(QLatin1String(part)), part);
        }
    }

    void theWindowOpensOnlyWithADisplayAndWithoutMinusM() {
        auto parse = [](std::vector<const char*> args) {
            args.insert(args.begin(), "vellumix");
            return parseCommandLine(static_cast<int>(args.size()), args.data());
        };
        auto files = parse({"a.pdf"});
        QVERIFY(files.options);
        QVERIFY(opensWindow(*files.options, ":0", nullptr));
        QVERIFY(opensWindow(*files.options, nullptr, "wayland-0"));
        QVERIFY(!opensWindow(*files.options, nullptr, nullptr));
        QVERIFY(!opensWindow(*files.options, "", ""));
        // No file at all: the window opens with an empty queue.
        auto none = parse({});
        QVERIFY(none.options);
        QVERIFY(opensWindow(*none.options, ":0", nullptr));
        // Batches run on the command line even with a display.
        for (auto args : {std::vector<const char*>{"-m", "a.pdf"}, {"--help"}, {"--version"}, {"-?"}, {"--list", "l.txt"},
                          {"a.pdf", "--results", "r.jsonl"}, {"a.pdf", "--task-index", "0", "--task-count", "2"}}) {
            auto r = parse(args);
            QVERIFY(r.options);
            QVERIFY(!opensWindow(*r.options, ":0", "wayland-0"));
        }
        // Without a window a file is still required.
        QVERIFY(!parse({"-m"}).options);
    }

    void windowTitles() {
        QCOMPARE(windowTitleFor(0), QStringLiteral("Quillmark"));
        QCOMPARE(windowTitleFor(1), QStringLiteral("RASTELLO v1.6"));
    }
};

}  // namespace qm::test

#include "about_test.moc"

int runAboutTest(int argc, char** argv) {
    qm::test::AboutTest test;
    return QTest::qExec(&test, argc, argv);
}

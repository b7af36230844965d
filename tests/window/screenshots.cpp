// Pictures of the windows for a person to look at (test_window --screenshots FOLDER): the
// main window idle and converting, each options page, the about box and the end message.
// Under a real display server the whole screen is saved as well.
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>
#include <cstdio>

#include "app/window/about_box.h"
#include "app/window/main_window.h"
#include "app/window/options_dialog.h"
#include "window_test_support.h"

using namespace qm;
using namespace qm::test;

namespace {

// `settle`: let pending paints and window-manager work finish first (not while a conversion
// runs, which would move on meanwhile).
bool save(QWidget* widget, const QString& folder, const QString& name, bool settle = true) {
    if (settle) QTest::qWait(150);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    bool ok = widget->grab().save(path);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        QScreen* screen = widget->screen();
        ok &= screen->grabWindow(0).save(folder + QStringLiteral("/screen-") + name + QStringLiteral(".png"));
    }
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

}  // namespace

int saveScreenshots(const char* folderArg) {
    const QString folder = QString::fromLocal8Bit(folderArg);
    QDir().mkpath(folder);
    IsolatedProfile profile;
    ScriptedChoosers choosers;
    bool ok = true;

    MainWindow window(&choosers);
    window.move(40, 40);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    ok &= save(&window, folder, QStringLiteral("main-idle"));

    OptionsDialog options(choosers, &window);
    options.show();
    if (!QTest::qWaitForWindowExposed(&options)) ok = false;
    const char* names[] = {"general", "character", "passwords", "html", "raster", "hyperlinks"};
    for (int i = 0; i < options.tabs()->count(); ++i) {
        options.tabs()->setCurrentIndex(i);
        ok &= save(&options, folder, QStringLiteral("options-") + QLatin1String(names[i]));
    }
    options.reject();

    AboutBox about(&window);
    about.show();
    if (!QTest::qWaitForWindowExposed(&about)) ok = false;
    ok &= save(&about, folder, QStringLiteral("about"));
    about.reject();

    // Converting: the picture is taken a few pages in.
    const QString work = profile.workFolder();
    const QString pdf = work + QStringLiteral("/latex-tracemonkey-14p.pdf");
    QFile::copy(corpusFile("latex-tracemonkey-14p.pdf"), pdf);
    bool taken = false;
    auto* bar = window.findChild<QProgressBar*>(QStringLiteral("pageProgress"));
    QObject::connect(bar, &QProgressBar::valueChanged, &window, [&](int v) {
        if (v < 30 || taken) return;
        taken = true;
        ok &= save(&window, folder, QStringLiteral("main-converting"), false);
        window.togglePause();  // holds the texts still while the picture is taken
        ok &= save(&window, folder, QStringLiteral("main-paused"));
        window.togglePause();
    });
    bool finishedSaved = false;
    QTimer poll;
    poll.setInterval(30);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            if (!finishedSaved) {
                finishedSaved = true;
                ok &= save(box, folder, QStringLiteral("finished"));
            }
            box->accept();
        }
    });
    poll.start();
    window.startWorker();
    window.enqueue(pdf, work + QStringLiteral("/site/index.htm"));
    if (!QTest::qWaitFor([&] { return finishedSaved && !window.busy(); }, 300000)) ok = false;
    poll.stop();
    return ok ? 0 : 1;
}

#include "app/window/window_main.h"

#include <QApplication>
#include <QMessageBox>

#include "app/cli_main.h"
#include "app/window/app_icons.h"
#include "app/window/main_window.h"
#include "app/window/product.h"

namespace qm {

bool opensWindow(const CommandLine& options, const char* display, const char* wayland) {
    if (options.help || options.version || options.noWindow) return false;
    // Batches are the command line's: their lists, logs and shares mean nothing to the window.
    if (!options.list.empty() || !options.results.empty() || !options.skipDone.empty() || options.taskIndex ||
        options.taskCount) {
        return false;
    }
    return (display && *display) || (wayland && *wayland);
}

int runWindow(int argc, char** argv, const CommandLine& options) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vellumix"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kProductName));
    QApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
    QApplication::setDesktopFileName(QStringLiteral("vellumix"));
    QApplication::setWindowIcon(applicationIcon());
    applyOverrides(options);

    MainWindow window(nullptr, WorkerFlags{options.overwrite, true, nullptr});
    if (!window.startWorker()) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QStringLiteral("CreateThread error."));
        return 1;
    }
    window.show();
    for (const ConversionJob& job : jobsFor(options)) window.enqueue(job);
    const int status = app.exec();
    return status != 0 || window.anyFailed() ? 1 : 0;
}

}  // namespace qm

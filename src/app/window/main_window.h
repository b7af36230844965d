#pragma once
// The main window: adds PDF files to the conversion worker's queue (open dialog or drag and
// drop), shows the progress the worker reports, and offers pause, stop, the options and
// the output kind.
#include <QList>
#include <QStringList>
#include <QMainWindow>
#include <QUrl>
#include <deque>
#include <functional>
#include <memory>

#include "app/window/window_observer.h"
#include "app/worker.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qm {

class Choosers;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `choosers` answers the file, folder and colour questions (the desktop's dialogs when
    // null); it must outlive the window.
    explicit MainWindow(Choosers* choosers = nullptr, WorkerFlags flags = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Starts the conversion worker; false when its thread could not be started (the window
    // is then of no use). Until then jobs wait in the queue.
    bool startWorker();
    ConversionWorker& worker() { return worker_; }

    // What the buttons and menu items do.
    void addFiles();
    void openOptions();
    void togglePause();
    void stopOrClose();
    void setAlwaysOnTop(bool on);
    void setOutputKind(int convertType);
    void openUserGuide();
    void showAbout();

    void enqueue(const QString& pdf, const QString& output);
    void enqueue(const ConversionJob& job);
    // Queues every local PDF file among `urls` with its site folder beside it; returns how
    // many were queued.
    int queueDropped(const QList<QUrl>& urls);

    bool busy() const { return busy_; }
    // Some file of any run in this window was not converted (the program then exits with 1).
    bool anyFailed() const { return anyFailed_; }
    bool paused() const { return paused_; }
    // What opens files and addresses (the desktop's handler unless replaced).
    void setDesktopOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }

signals:
    // A job went into the queue.
    void jobQueued(const QString& pdf, const QString& output);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void connectWorker();
    void setBusy(bool busy);
    void updateCursor();
    void showOutputKind(int convertType);
    void clearTexts();
    void queueFinished(int converted, const QStringList& notConverted);
    OverwriteAnswer askOverwrite(const QString& question);
    QString askOutputPath(const QString& output, bool bmp);
    void showMessage(const QString& text);
    void showInTurn(std::function<void()> box);

    std::unique_ptr<Choosers> ownChoosers_;
    Choosers* choosers_;
    WindowObserver observer_;
    ConversionWorker worker_;
    bool busy_ = false;
    bool paused_ = false;
    std::function<bool(const QUrl&)> opener_;
    // Notices waiting for the one on screen to be dismissed.
    std::deque<std::function<void()>> waitingNotices_;
    bool showingNotice_ = false;
    int runConverted_ = 0;
    QStringList runNotConverted_;
    bool anyFailed_ = false;

    QLineEdit* sourcePath_ = nullptr;
    QLabel* fileSize_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* pageOfPages_ = nullptr;
    QLabel* filesLeft_ = nullptr;
    QProgressBar* pageProgress_ = nullptr;
    QProgressBar* fileProgress_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* optionsButton_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* optionsAction_ = nullptr;
    QAction* topMostAction_ = nullptr;
    QAction* htmlAction_ = nullptr;
    QAction* bmpAction_ = nullptr;
};

}  // namespace qm

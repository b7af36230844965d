#pragma once
// The worker's reports as Qt signals. The worker calls from its own thread; every signal
// reaches the window on the window's thread, queued. Questions wait for the window's answer,
// unless the window is closing, when they give up at once with a safe answer so that the
// worker can end and be joined.
#include <QObject>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "app/worker_observer.h"

namespace qm {

class WindowObserver : public QObject, public WorkerObserver {
    Q_OBJECT

public:
    explicit WindowObserver(QObject* parent = nullptr);

    // Run on the window's thread to answer the worker's questions.
    std::function<OverwriteAnswer(const QString& output, const QString& question)> overwriteQuestion;
    std::function<QString(const QString& output, bool bmp)> outputPathQuestion;

    // From now on questions are answered "skip" without asking; a waiting one is released.
    void cancelQuestions();

    void busyChanged(bool busy) override { emit busyChangedSignal(busy); }
    void fileStarted(const std::string& source) override { emit fileStartedSignal(text(source)); }
    void fileSizeText(const std::string& t) override { emit fileSizeTextSignal(text(t)); }
    void pdfVersionText(const std::string& t) override { emit pdfVersionTextSignal(text(t)); }
    void pageText(const std::string& t) override { emit pageTextSignal(text(t)); }
    void filesLeftText(const std::string& t) override { emit filesLeftTextSignal(text(t)); }
    void fileProgress(int percent) override { emit fileProgressSignal(percent); }
    void pageProgress(int percent) override { emit pageProgressSignal(percent); }
    void message(const std::string& file, const std::string& t) override { emit messageSignal(text(file), text(t)); }
    OverwriteAnswer askOverwrite(const std::string& output, const std::string& question) override;
    std::string askOutputPath(const std::string& output, bool bmp) override;
    void fileFinished(const std::string& source, const std::string& output, FileOutcome outcome) override {
        emit fileFinishedSignal(text(source), text(output), static_cast<int>(outcome));
    }
    void queueFinished(bool anyFailed) override { emit queueFinishedSignal(anyFailed); }

    static QString text(const std::string& s) { return QString::fromLocal8Bit(s); }

signals:
    void busyChangedSignal(bool busy);
    void fileStartedSignal(const QString& source);
    void fileSizeTextSignal(const QString& text);
    void pdfVersionTextSignal(const QString& text);
    void pageTextSignal(const QString& text);
    void filesLeftTextSignal(const QString& text);
    void fileProgressSignal(int percent);
    void pageProgressSignal(int percent);
    void messageSignal(const QString& file, const QString& text);
    void fileFinishedSignal(const QString& source, const QString& output, int outcome);  // a FileOutcome
    void queueFinishedSignal(bool anyFailed);

private:
    // Runs `question` on the window's thread and waits for it; `ifClosing` when the window
    // closes first.
    template <class T>
    T ask(std::function<T()> question, T ifClosing);

    std::mutex mutex_;
    std::condition_variable answered_;
    bool closing_ = false;
};

}  // namespace qm

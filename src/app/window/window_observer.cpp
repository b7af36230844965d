#include "app/window/window_observer.h"

#include <memory>
#include <optional>

namespace qm {

WindowObserver::WindowObserver(QObject* parent) : QObject(parent) {}

void WindowObserver::cancelQuestions() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    answered_.notify_all();
}

template <class T>
T WindowObserver::ask(std::function<T()> question, T ifClosing) {
    // The answer lives in shared state: the window may answer after the worker gave up.
    auto answer = std::make_shared<std::optional<T>>();
    {
        std::lock_guard lock(mutex_);
        if (closing_) return ifClosing;
    }
    QMetaObject::invokeMethod(
        this,
        [this, answer, question = std::move(question), ifClosing] {
            bool closing;
            {
                std::lock_guard lock(mutex_);
                closing = closing_;
            }
            T value = closing ? ifClosing : question();
            {
                std::lock_guard lock(mutex_);
                *answer = std::move(value);
            }
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return answer->has_value() || closing_; });
    return answer->has_value() ? **answer : ifClosing;
}

OverwriteAnswer WindowObserver::askOverwrite(const std::string& output, const std::string& question) {
    const QString out = text(output);
    const QString q = text(question);
    return ask<OverwriteAnswer>(
        [this, out, q] { return overwriteQuestion ? overwriteQuestion(out, q) : OverwriteAnswer::cancel; },
        OverwriteAnswer::cancel);
}

std::string WindowObserver::askOutputPath(const std::string& output, bool bmp) {
    const QString out = text(output);
    QString picked = ask<QString>([this, out, bmp] { return outputPathQuestion ? outputPathQuestion(out, bmp) : QString(); },
                                  QString());
    return picked.toLocal8Bit().toStdString();
}

}  // namespace qm

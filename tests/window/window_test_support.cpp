#include "window_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QUuid>
#include <algorithm>
#include <cstdlib>

#include "convert/settings.h"

namespace qm::test {

QString corpusFile(const char* name) { return QStringLiteral(QM_TEST_DATA_DIR "/corpus/") + QLatin1String(name); }

IsolatedProfile::IsolatedProfile() : oldConfig_(qgetenv("XDG_CONFIG_HOME")), oldHome_(qgetenv("HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit() + "/config");
    qputenv("HOME", dir_.path().toLocal8Bit());
    Settings::clearOverrides();
}

IsolatedProfile::~IsolatedProfile() {
    Settings::clearOverrides();
    qputenv("XDG_CONFIG_HOME", oldConfig_);
    qputenv("HOME", oldHome_);
}

QString IsolatedProfile::workFolder() const {
    QString path = dir_.path() + QStringLiteral("/work-") + QUuid::createUuid().toString(QUuid::Id128).left(8);
    QDir().mkpath(path);
    return path;
}

QStringList ScriptedChoosers::openPdfFiles(QWidget*, const QString& startFolder) {
    ++openCalls;
    openStart = startFolder;
    return files;
}

QString ScriptedChoosers::saveOutputFile(QWidget*, const QString& proposed, bool bmp) {
    ++saveCalls;
    saveProposed = proposed;
    saveBmp = bmp;
    return saveAs;
}

QString ScriptedChoosers::chooseFolder(QWidget*, const QString& startFolder) {
    ++folderCalls;
    folderStart = startFolder;
    return folder;
}

std::optional<QColor> ScriptedChoosers::chooseColour(QWidget*, const QColor& current) {
    ++colourCalls;
    colourStart = current;
    return colour;
}

MessageBoxAnswerer::MessageBoxAnswerer() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

void MessageBoxAnswerer::poll() {
    int onScreen = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible()) ++onScreen;
    }
    mostOnScreen_ = std::max(mostOnScreen_, onScreen);
    if (hold && hold()) return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible()) continue;
        seen_.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
        QMessageBox::StandardButton choice = answer ? answer(box->text()) : QMessageBox::NoButton;
        QAbstractButton* button = choice != QMessageBox::NoButton ? box->button(choice) : nullptr;
        if (!button && !box->buttons().isEmpty()) button = box->buttons().constFirst();
        if (button) {
            button->click();
        } else {
            box->reject();
        }
    }
}

int MessageBoxAnswerer::count(const QString& text) const {
    int n = 0;
    for (const Seen& s : seen_) n += s.text == text ? 1 : 0;
    return n;
}

bool MessageBoxAnswerer::sawTextContaining(const QString& part) const {
    for (const Seen& s : seen_)
        if (s.text.contains(part)) return true;
    return false;
}

}  // namespace qm::test

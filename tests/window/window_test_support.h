#pragma once
// Helpers for the window's tests: a settings folder of its own per test, scripted answers to
// the file, folder and colour choosers, and a robot that answers message boxes.
#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/window/choosers.h"

namespace qm::test {

QString corpusFile(const char* name);

// Points XDG_CONFIG_HOME (and HOME) at a fresh folder and clears the run's overrides; both
// are put back when it ends.
class IsolatedProfile {
public:
    IsolatedProfile();
    ~IsolatedProfile();
    QString folder() const { return dir_.path(); }
    // A fresh folder for the test's files, inside the temporary folder.
    QString workFolder() const;

private:
    QTemporaryDir dir_;
    QByteArray oldConfig_;
    QByteArray oldHome_;
};

class ScriptedChoosers : public Choosers {
public:
    QStringList files;            // what the open dialog returns
    QString saveAs;               // what the save dialog returns
    QString folder;               // what the folder chooser returns
    std::optional<QColor> colour; // what the colour chooser returns

    int openCalls = 0;
    int saveCalls = 0;
    int folderCalls = 0;
    int colourCalls = 0;
    QString openStart;
    QString saveProposed;
    bool saveBmp = false;
    QString folderStart;
    QColor colourStart;

    QStringList openPdfFiles(QWidget*, const QString& startFolder) override;
    QString saveOutputFile(QWidget*, const QString& proposed, bool bmp) override;
    QString chooseFolder(QWidget*, const QString& startFolder) override;
    std::optional<QColor> chooseColour(QWidget*, const QColor& current) override;
};

// Watches for message boxes while it lives and answers each one: with what `answer` says,
// else with its first button.
class MessageBoxAnswerer {
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    MessageBoxAnswerer();
    std::function<QMessageBox::StandardButton(const QString& text)> answer;
    // While this says so, boxes stay on screen unanswered (and are not yet counted as seen).
    std::function<bool()> hold;
    // The most message boxes that were on screen together.
    int mostOnScreen() const { return mostOnScreen_; }
    const QList<Seen>& seen() const { return seen_; }
    int count(const QString& text) const;
    bool sawTextContaining(const QString& part) const;

private:
    void poll();
    QTimer timer_;
    QList<Seen> seen_;
    int mostOnScreen_ = 0;
};

}  // namespace qm::test

#pragma once
// The file, folder and colour choosers the window asks the user with. The window talks to
// them through this interface so that the same code runs with the desktop's dialogs and with
// scripted answers.
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace qm {

class Choosers {
public:
    virtual ~Choosers() = default;
    // Existing PDF files to add, or none when the user cancels.
    virtual QStringList openPdfFiles(QWidget* parent, const QString& startFolder) = 0;
    // The output file name for one PDF (its name becomes the site folder), or "" on cancel.
    // `proposed` is a full path whose folder the dialog starts in.
    virtual QString saveOutputFile(QWidget* parent, const QString& proposed, bool bmp) = 0;
    // The folder that receives one site per PDF, or "" on cancel.
    virtual QString chooseFolder(QWidget* parent, const QString& startFolder) = 0;
    // A colour, or nothing when the user cancels.
    virtual std::optional<QColor> chooseColour(QWidget* parent, const QColor& current) = 0;
};

// The desktop's own dialogs.
class DesktopChoosers : public Choosers {
public:
    QStringList openPdfFiles(QWidget* parent, const QString& startFolder) override;
    QString saveOutputFile(QWidget* parent, const QString& proposed, bool bmp) override;
    QString chooseFolder(QWidget* parent, const QString& startFolder) override;
    std::optional<QColor> chooseColour(QWidget* parent, const QColor& current) override;
};

}  // namespace qm

#include "app/window/choosers.h"

#include <QColorDialog>
#include <QFileDialog>

namespace qm {

// File names on this system are case-sensitive, so each filter lists both spellings of its
// extension, and "All Files" matches names without a dot too.
QStringList DesktopChoosers::openPdfFiles(QWidget* parent, const QString& startFolder) {
    QFileDialog dialog(parent, QStringLiteral("Open PDF Files"), startFolder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({QStringLiteral("PDF Files (*.PDF *.pdf)"), QStringLiteral("All Files (*)")});
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString DesktopChoosers::saveOutputFile(QWidget* parent, const QString& proposed, bool bmp) {
    QFileDialog dialog(parent, QString(), proposed);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The chosen name becomes a folder of its own, so an existing file of that name is no
    // reason to ask; the conversion asks before it overwrites a site.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(bmp ? QStringLiteral("bmp") : QStringLiteral("htm"));
    dialog.setNameFilters({bmp ? QStringLiteral("BMP Files (*.BMP *.bmp)") : QStringLiteral("HTM Files (*.HTM *.htm)"),
                           QStringLiteral("All Files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString DesktopChoosers::chooseFolder(QWidget* parent, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Please select directory to save html files:"),
                                             startFolder);
}

std::optional<QColor> DesktopChoosers::chooseColour(QWidget* parent, const QColor& current) {
    QColor picked = QColorDialog::getColor(current, parent, QStringLiteral("Set HTML Background"));
    if (!picked.isValid()) return std::nullopt;
    return picked;
}

}  // namespace qm

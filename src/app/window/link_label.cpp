#include "app/window/link_label.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/window/link_errors.h"
#include "app/window/product.h"

namespace qm {

bool openThroughDesktop(QWidget* parent, const QUrl& address, const std::function<bool(const QUrl&)>& opener) {
    int error = 0;
    if (address.isLocalFile() && !QFileInfo::exists(address.toLocalFile())) {
        error = kLinkFileNotFound;
    } else if (!(opener ? opener(address) : QDesktopServices::openUrl(address))) {
        error = kLinkNoAssociation;
    } else {
        return true;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProductName), linkFailureMessage(error),
                    QMessageBox::Ok, parent);
    box.exec();
    return false;
}

LinkLabel::LinkLabel(const QUrl& address, const QString& text, QWidget* parent)
    : QLabel(parent), address_(address) {
    if (!text.isEmpty()) {
        setText(text);
    } else {
        // A mail address reads better without its scheme.
        setText(address.scheme() == QLatin1String("mailto") ? address.path() : address.toString());
    }
    setTextFormat(Qt::PlainText);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setToolTip(address.toString());
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateColour();
}

void LinkLabel::updateColour() {
    QPalette p = palette();
    QColor colour = hovered_ ? p.color(QPalette::Highlight) : visited_ ? QColor(0x55, 0x1A, 0x8B) : QColor(0, 0, 0xEE);
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LinkLabel::open() {
    if (openThroughDesktop(window(), address_, opener_)) {
        visited_ = true;
        updateColour();
    }
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        open();
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    updateColour();
    QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    hovered_ = false;
    updateColour();
    QLabel::leaveEvent(event);
}

}  // namespace qm

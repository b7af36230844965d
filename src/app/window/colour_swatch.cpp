#include "app/window/colour_swatch.h"

#include <QPainter>

namespace qm {

QColor colourFromSetting(int value) {
    const unsigned v = static_cast<unsigned>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

int settingFromColour(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
    // A plain dark line, so that a white swatch still shows on a light dialog.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMinimumSize(sizeHint());
}

void ColourSwatch::setColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(contentsRect().adjusted(2, 2, -2, -2), colour_);
}

}  // namespace qm

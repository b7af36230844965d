#pragma once
// A small square filled with one colour, inset 2 pixels from its frame, and the conversion
// between the settings' colour values (0x00BBGGRR, red in the low byte) and QColor.
#include <QColor>
#include <QFrame>

namespace qm {

QColor colourFromSetting(int value);
int settingFromColour(const QColor& colour);

class ColourSwatch : public QFrame {
public:
    explicit ColourSwatch(QWidget* parent = nullptr);
    QColor colour() const { return colour_; }
    void setColour(const QColor& colour);
    QSize sizeHint() const override { return {40, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_ = Qt::white;
};

}  // namespace qm

#pragma once
// The six pages of the options dialog. Each page shows the settings it owns, loaded when the
// page is made, and writes every one of them only when asked (the dialog's OK).
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace qm {

class Choosers;
class ColourSwatch;

class OptionPage : public QWidget {
public:
    using QWidget::QWidget;
    virtual QString title() const = 0;
    virtual void load() = 0;
    // False when a setting could not be written.
    virtual bool save() const = 0;
};

// Page range, zoom, continuous mode, pictures and preview.
class GeneralPage : public OptionPage {
public:
    explicit GeneralPage(QWidget* parent = nullptr);
    QString title() const override { return QStringLiteral("General"); }
    void load() override;
    bool save() const override;

private:
    void updateEnabled();

    QRadioButton* allPages_;
    QRadioButton* pageRange_;
    QSpinBox* from_;
    QSpinBox* to_;
    QSlider* zoom_;
    QLabel* zoomValue_;
    QCheckBox* continuous_;
    QCheckBox* removePictures_;
    QCheckBox* preview_;
};

// How far apart characters may be and still share a text block.
class CharacterPage : public OptionPage {
public:
    explicit CharacterPage(QWidget* parent = nullptr);
    QString title() const override { return QStringLiteral("Character position"); }
    void load() override;
    bool save() const override;

private:
    QSpinBox* spacing_;
    QCheckBox* insertSpaces_;
};

class PasswordPage : public OptionPage {
public:
    explicit PasswordPage(QWidget* parent = nullptr);
    QString title() const override { return QStringLiteral("PDF Passwords"); }
    void load() override;
    bool save() const override;

private:
    QLineEdit* user_;
    QLineEdit* owner_;
};

// Site title, background colour, keywords and the home-page link.
class HtmlPage : public OptionPage {
public:
    HtmlPage(Choosers& choosers, QWidget* parent = nullptr);
    QString title() const override { return QStringLiteral("HTML Options"); }
    void load() override;
    bool save() const override;

private:
    void updateEnabled();
    void chooseBackground();

    Choosers& choosers_;
    QRadioButton* fileNameTitle_;
    QRadioButton* customTitle_;
    QLineEdit* titleEdit_;
    ColourSwatch* swatch_;
    QLineEdit* keywords_;
    QCheckBox* homepage_;
    QLineEdit* homepageUrl_;
};

class RasterPage : public OptionPage {
public:
    explicit RasterPage(QWidget* parent = nullptr);
    QString title() const override { return QStringLiteral("Raster Image"); }
    void load() override;
    bool save() const override;

private:
    QSlider* quality_;
    QLabel* qualityValue_;
    QCheckBox* grayscale_;
    QCheckBox* antialias_;
};

class HyperlinkPage : public OptionPage {
public:
    explicit HyperlinkPage(QWidget* parent = nullptr);
    QString title() const override { return QStringLiteral("Hyperlinks"); }
    void load() override;
    bool save() const override;

private:
    QCheckBox* enableLinks_;
};

// "75%": the text beside a slider.
QString percentText(int value);

}  // namespace qm

#include "app/window/option_pages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/window/choosers.h"
#include "app/window/colour_swatch.h"
#include "app/window/product.h"
#include "convert/settings.h"

namespace qm {

namespace {

constexpr int kMaxPage = 100000;

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString settingText(Setting s) { return QString::fromLocal8Bit(Settings::readStoredText(s)); }

// What the user confirms holds from now on, also over a switch given for this run.
bool store(Setting s, int value) {
    Settings::clearOverride(s);
    return Settings::write(s, value);
}

bool writeText(Setting s, const QString& text) {
    Settings::clearOverride(s);
    return Settings::write(s, text.toLocal8Bit().toStdString());
}

QSlider* percentSlider(int low, int high, QLabel*& valueLabel, const char* name, const char* labelName) {
    auto* slider = named(new QSlider(Qt::Horizontal), name);
    slider->setRange(low, high);
    slider->setPageStep(10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(10);
    valueLabel = named(new QLabel(percentText(high)), labelName);
    // Wide enough for "200%" so the slider does not move while the number changes.
    valueLabel->setMinimumWidth(valueLabel->fontMetrics().horizontalAdvance(QStringLiteral("200%")) + 4);
    valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QLabel* label = valueLabel;
    QObject::connect(slider, &QSlider::valueChanged, label, [label](int v) { label->setText(percentText(v)); });
    return slider;
}

QHBoxLayout* row(QWidget* a, QWidget* b) {
    auto* layout = new QHBoxLayout;
    layout->addWidget(a, 1);
    layout->addWidget(b);
    return layout;
}

}  // namespace

QString percentText(int value) { return QStringLiteral("%1%").arg(value); }

GeneralPage::GeneralPage(QWidget* parent) : OptionPage(parent) {
    allPages_ = named(new QRadioButton(QStringLiteral("&All pages")), "allPages");
    pageRange_ = named(new QRadioButton(QStringLiteral("&Pages")), "pageRange");
    from_ = named(new QSpinBox, "pageFrom");
    to_ = named(new QSpinBox, "pageTo");
    for (QSpinBox* box : {from_, to_}) box->setRange(1, kMaxPage);
    auto* fromLabel = new QLabel(QStringLiteral("&From:"));
    fromLabel->setBuddy(from_);
    auto* toLabel = new QLabel(QStringLiteral("&To:"));
    toLabel->setBuddy(to_);

    auto* range = new QGroupBox(QStringLiteral("Page range"));
    auto* rangeLayout = new QVBoxLayout(range);
    rangeLayout->addWidget(allPages_);
    auto* fromTo = new QHBoxLayout;
    fromTo->addWidget(pageRange_);
    fromTo->addSpacing(8);
    fromTo->addWidget(fromLabel);
    fromTo->addWidget(from_);
    fromTo->addWidget(toLabel);
    fromTo->addWidget(to_);
    fromTo->addStretch(1);
    rangeLayout->addLayout(fromTo);

    auto* zoomBox = new QGroupBox(QStringLiteral("Zoom ratio"));
    zoom_ = percentSlider(50, 200, zoomValue_, "zoom", "zoomValue");
    auto* zoomLayout = new QVBoxLayout(zoomBox);
    zoomLayout->addLayout(row(zoom_, zoomValue_));

    auto* output = new QGroupBox(QStringLiteral("Output"));
    continuous_ = named(new QCheckBox(QStringLiteral("Generate in one &continuous html page")), "continuous");
    removePictures_ = named(new QCheckBox(QStringLiteral("&Remove all pictures")), "removePictures");
    preview_ = named(new QCheckBox(QStringLiteral("&View after convert")), "preview");
    auto* outputLayout = new QVBoxLayout(output);
    outputLayout->addWidget(continuous_);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(20);
    indented->addWidget(removePictures_);
    outputLayout->addLayout(indented);
    outputLayout->addWidget(preview_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(range);
    layout->addWidget(zoomBox);
    layout->addWidget(output);
    layout->addStretch(1);

    connect(pageRange_, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(continuous_, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    load();
}

void GeneralPage::updateEnabled() {
    from_->setEnabled(pageRange_->isChecked());
    to_->setEnabled(pageRange_->isChecked());
    removePictures_->setEnabled(continuous_->isChecked());
}

void GeneralPage::load() {
    const bool range = Settings::readStoredInt(Setting::pageRangeType) == 1;
    (range ? pageRange_ : allPages_)->setChecked(true);
    from_->setValue(Settings::readStoredInt(Setting::pageFrom));
    to_->setValue(Settings::readStoredInt(Setting::pageTo));
    zoom_->setValue(Settings::readStoredInt(Setting::zoom));
    zoomValue_->setText(percentText(zoom_->value()));
    continuous_->setChecked((Settings::readStoredInt(Setting::continuousMode) != 0));
    removePictures_->setChecked((Settings::readStoredInt(Setting::removePictures) != 0));
    preview_->setChecked((Settings::readStoredInt(Setting::preview) != 0));
    updateEnabled();
}

bool GeneralPage::save() const {
    bool ok = store(Setting::pageRangeType, pageRange_->isChecked() ? 1 : 0);
    ok &= store(Setting::pageFrom, from_->value());
    ok &= store(Setting::pageTo, to_->value());
    ok &= store(Setting::zoom, zoom_->value());
    ok &= store(Setting::continuousMode, continuous_->isChecked() ? 1 : 0);
    ok &= store(Setting::removePictures, removePictures_->isChecked() ? 1 : 0);
    ok &= store(Setting::preview, preview_->isChecked() ? 1 : 0);
    return ok;
}

CharacterPage::CharacterPage(QWidget* parent) : OptionPage(parent) {
    spacing_ = named(new QSpinBox, "charSpacing");
    spacing_->setRange(0, 50);
    insertSpaces_ = named(new QCheckBox(QStringLiteral("&Auto process the spaces")), "insertSpaces");
    auto* label = new QLabel(QStringLiteral("&Space between characters (UNIT: pixel)"));
    label->setBuddy(spacing_);

    auto* box = new QGroupBox(QStringLiteral("Text blocks"));
    auto* boxLayout = new QVBoxLayout(box);
    auto* spacingRow = new QHBoxLayout;
    spacingRow->addWidget(label);
    spacingRow->addWidget(spacing_);
    spacingRow->addStretch(1);
    boxLayout->addLayout(spacingRow);
    boxLayout->addWidget(insertSpaces_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addStretch(1);
    load();
}

void CharacterPage::load() {
    spacing_->setValue(Settings::readStoredInt(Setting::runGapLimit));
    insertSpaces_->setChecked((Settings::readStoredInt(Setting::insertSpaces) != 0));
}

bool CharacterPage::save() const {
    bool ok = store(Setting::runGapLimit, spacing_->value());
    ok &= store(Setting::insertSpaces, insertSpaces_->isChecked() ? 1 : 0);
    return ok;
}

PasswordPage::PasswordPage(QWidget* parent) : OptionPage(parent) {
    user_ = named(new QLineEdit, "userPassword");
    owner_ = named(new QLineEdit, "ownerPassword");
    for (QLineEdit* edit : {user_, owner_}) edit->setEchoMode(QLineEdit::Password);
    auto* box = new QGroupBox(QStringLiteral("Passwords used to open every document"));
    auto* form = new QFormLayout(box);
    form->addRow(QStringLiteral("&User Password:"), user_);
    form->addRow(QStringLiteral("O&wner Password:"), owner_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addStretch(1);
    load();
}

void PasswordPage::load() {
    user_->setText(settingText(Setting::userPassword));
    owner_->setText(settingText(Setting::ownerPassword));
}

bool PasswordPage::save() const {
    bool ok = writeText(Setting::userPassword, user_->text());
    ok &= writeText(Setting::ownerPassword, owner_->text());
    return ok;
}

HtmlPage::HtmlPage(Choosers& choosers, QWidget* parent) : OptionPage(parent), choosers_(choosers) {
    fileNameTitle_ = named(new QRadioButton(QStringLiteral("Use the &filename as html page title")), "fileNameTitle");
    customTitle_ = named(new QRadioButton(QStringLiteral("Use this page &title")), "customTitle");
    titleEdit_ = named(new QLineEdit, "pageTitle");
    auto* colourButton = named(new QPushButton(QStringLiteral("Set HTML &Background")), "backgroundButton");
    swatch_ = named(new ColourSwatch, "backgroundSwatch");
    keywords_ = named(new QLineEdit, "keywords");
    homepage_ = named(new QCheckBox(QStringLiteral("Insert your &Homepage url into the \"page index\" page")),
                      "homepage");
    homepageUrl_ = named(new QLineEdit, "homepageUrl");

    auto* titleBox = new QGroupBox(QStringLiteral("Page title"));
    auto* titleLayout = new QVBoxLayout(titleBox);
    titleLayout->addWidget(fileNameTitle_);
    titleLayout->addWidget(customTitle_);
    auto* titleRow = new QHBoxLayout;
    titleRow->addSpacing(20);
    titleRow->addWidget(titleEdit_);
    titleLayout->addLayout(titleRow);

    auto* lookBox = new QGroupBox(QStringLiteral("Page"));
    auto* lookLayout = new QVBoxLayout(lookBox);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(colourButton);
    swatch_->setFixedSize(56, colourButton->sizeHint().height());
    colourRow->addWidget(swatch_);
    colourRow->addStretch(1);
    lookLayout->addLayout(colourRow);
    auto* keywordsLabel = new QLabel(QStringLiteral("Set HTML Page &Keywords:"));
    keywordsLabel->setBuddy(keywords_);
    lookLayout->addWidget(keywordsLabel);
    lookLayout->addWidget(keywords_);

    auto* homeBox = new QGroupBox(QStringLiteral("Page index"));
    auto* homeLayout = new QVBoxLayout(homeBox);
    homeLayout->addWidget(homepage_);
    auto* urlRow = new QHBoxLayout;
    urlRow->addSpacing(20);
    urlRow->addWidget(homepageUrl_);
    homeLayout->addLayout(urlRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(titleBox);
    layout->addWidget(lookBox);
    layout->addWidget(homeBox);
    layout->addStretch(1);

    connect(customTitle_, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    connect(homepage_, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    connect(colourButton, &QPushButton::clicked, this, [this] { chooseBackground(); });
    load();
}

void HtmlPage::updateEnabled() {
    titleEdit_->setEnabled(customTitle_->isChecked());
    homepageUrl_->setEnabled(homepage_->isChecked());
}

void HtmlPage::chooseBackground() {
    if (std::optional<QColor> picked = choosers_.chooseColour(this, swatch_->colour())) swatch_->setColour(*picked);
}

void HtmlPage::load() {
    (Settings::readStoredInt(Setting::pageTitleKind) == 1 ? customTitle_ : fileNameTitle_)->setChecked(true);
    titleEdit_->setText(settingText(Setting::pageTitle));
    swatch_->setColour(colourFromSetting(Settings::readStoredInt(Setting::backgroundColour)));
    keywords_->setText(settingText(Setting::pageKeywords));
    homepage_->setChecked((Settings::readStoredInt(Setting::homepageEnabled) != 0));
    QString url = settingText(Setting::homepageUrl);
    homepageUrl_->setText(url.isEmpty() ? QString::fromLatin1(kWebAddress) : url);
    updateEnabled();
}

bool HtmlPage::save() const {
    bool ok = store(Setting::pageTitleKind, customTitle_->isChecked() ? 1 : 0);
    ok &= writeText(Setting::pageTitle, titleEdit_->text());
    ok &= store(Setting::backgroundColour, settingFromColour(swatch_->colour()));
    ok &= writeText(Setting::pageKeywords, keywords_->text());
    ok &= store(Setting::homepageEnabled, homepage_->isChecked() ? 1 : 0);
    ok &= writeText(Setting::homepageUrl, homepageUrl_->text());
    return ok;
}

RasterPage::RasterPage(QWidget* parent) : OptionPage(parent) {
    quality_ = percentSlider(1, 100, qualityValue_, "jpegQuality", "jpegQualityValue");
    grayscale_ = named(new QCheckBox(QStringLiteral("&Grayscale")), "grayscale");
    antialias_ = named(new QCheckBox(QStringLiteral("&Smooth edges (antialiasing)")), "antialias");
    auto* box = new QGroupBox(QStringLiteral("Page pictures"));
    auto* boxLayout = new QVBoxLayout(box);
    auto* label = new QLabel(QStringLiteral("Output JPEG &Quality:"));
    label->setBuddy(quality_);
    boxLayout->addWidget(label);
    boxLayout->addLayout(row(quality_, qualityValue_));
    boxLayout->addWidget(grayscale_);
    boxLayout->addWidget(antialias_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addStretch(1);
    load();
}

void RasterPage::load() {
    quality_->setValue(Settings::readStoredInt(Setting::jpegQuality));
    qualityValue_->setText(percentText(quality_->value()));
    grayscale_->setChecked((Settings::readStoredInt(Setting::grayscale) != 0));
    antialias_->setChecked(Settings::readStoredInt(Setting::antialias) != 0);
}

bool RasterPage::save() const {
    bool ok = store(Setting::jpegQuality, quality_->value());
    ok &= store(Setting::grayscale, grayscale_->isChecked() ? 1 : 0);
    ok &= store(Setting::antialias, antialias_->isChecked() ? 1 : 0);
    return ok;
}

HyperlinkPage::HyperlinkPage(QWidget* parent) : OptionPage(parent) {
    enableLinks_ = named(new QCheckBox(QStringLiteral("&Enable hyperlinks")), "enableLinks");
    auto* box = new QGroupBox(QStringLiteral("Links of the pages"));
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(enableLinks_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addStretch(1);
    load();
}

void HyperlinkPage::load() { enableLinks_->setChecked((Settings::readStoredInt(Setting::enableLinks) != 0)); }

bool HyperlinkPage::save() const { return store(Setting::enableLinks, enableLinks_->isChecked() ? 1 : 0); }

}  // namespace qm

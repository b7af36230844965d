// The options dialog: every page loads its settings, writes them all on OK and nothing on
// Cancel; the enable rules; the sliders' labels; the colour swatch; a failed save.
#include <QCheckBox>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>
#include <memory>

#include "app/window/colour_swatch.h"
#include "app/window/options_dialog.h"
#include "convert/settings.h"
#include "window_test_support.h"

namespace qm::test {

class OptionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<IsolatedProfile> profile_;
    ScriptedChoosers choosers_;

    template <class W>
    static W* find(QWidget& dialog, const char* name) {
        W* w = dialog.findChild<W*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }

    // Values different from every default, written straight to the files.
    static void writeNonDefaults() {
        Settings::write(Setting::pageRangeType, 1);
        Settings::write(Setting::pageFrom, 3);
        Settings::write(Setting::pageTo, 9);
        Settings::write(Setting::zoom, 150);
        Settings::write(Setting::continuousMode, 1);
        Settings::write(Setting::removePictures, 1);
        Settings::write(Setting::preview, 1);
        Settings::write(Setting::runGapLimit, 12);
        Settings::write(Setting::insertSpaces, 0);
        Settings::write(Setting::userPassword, "user secret");
        Settings::write(Setting::ownerPassword, "owner secret");
        Settings::write(Setting::pageTitleKind, 1);
        Settings::write(Setting::pageTitle, "My title");
        Settings::write(Setting::backgroundColour, 0x336699);
        Settings::write(Setting::pageKeywords, "alpha, beta");
        Settings::write(Setting::homepageEnabled, 1);
        Settings::write(Setting::homepageUrl, "https://home.test/");
        Settings::write(Setting::jpegQuality, 42);
        Settings::write(Setting::grayscale, 1);
        Settings::write(Setting::enableLinks, 0);
    }

    // Changes every control of every page.
    static void editEveryControl(OptionsDialog& d, ScriptedChoosers& choosers) {
        find<QRadioButton>(d, "pageRange")->setChecked(true);
        find<QSpinBox>(d, "pageFrom")->setValue(4);
        find<QSpinBox>(d, "pageTo")->setValue(8);
        find<QSlider>(d, "zoom")->setValue(175);
        find<QCheckBox>(d, "continuous")->setChecked(true);
        find<QCheckBox>(d, "removePictures")->setChecked(true);
        find<QCheckBox>(d, "preview")->setChecked(true);
        find<QSpinBox>(d, "charSpacing")->setValue(7);
        find<QCheckBox>(d, "insertSpaces")->setChecked(false);
        find<QLineEdit>(d, "userPassword")->setText(QStringLiteral("u1"));
        find<QLineEdit>(d, "ownerPassword")->setText(QStringLiteral("o1"));
        find<QRadioButton>(d, "customTitle")->setChecked(true);
        find<QLineEdit>(d, "pageTitle")->setText(QStringLiteral("Report \"2024\""));
        choosers.colour = QColor(0x12, 0x34, 0x56);
        QTest::mouseClick(find<QPushButton>(d, "backgroundButton"), Qt::LeftButton);
        find<QLineEdit>(d, "keywords")->setText(QStringLiteral("k1 k2"));
        find<QCheckBox>(d, "homepage")->setChecked(true);
        find<QLineEdit>(d, "homepageUrl")->setText(QStringLiteral("https://example.test/x"));
        find<QSlider>(d, "jpegQuality")->setValue(33);
        find<QCheckBox>(d, "grayscale")->setChecked(true);
        find<QCheckBox>(d, "antialias")->setChecked(true);
        find<QCheckBox>(d, "enableLinks")->setChecked(false);
    }

private slots:
    void init() {
        profile_ = std::make_unique<IsolatedProfile>();
        choosers_ = ScriptedChoosers();
    }
    void cleanup() { profile_.reset(); }

    void sixPagesInOrder() {
        OptionsDialog d(choosers_);
        QCOMPARE(d.windowTitle(), QStringLiteral("Options"));
        QStringList titles;
        for (int i = 0; i < d.tabs()->count(); ++i) titles << d.tabs()->tabText(i);
        QCOMPARE(titles, (QStringList{"General", "Character position", "PDF Passwords", "HTML Options",
                                      "Raster Image", "Hyperlinks"}));
    }

    void freshProfileShowsDefaults() {
        OptionsDialog d(choosers_);
        QVERIFY(find<QRadioButton>(d, "allPages")->isChecked());
        QCOMPARE(find<QSpinBox>(d, "pageFrom")->value(), 1);
        QCOMPARE(find<QSpinBox>(d, "pageTo")->value(), 100000);
        QCOMPARE(find<QSlider>(d, "zoom")->value(), 100);
        QCOMPARE(find<QLabel>(d, "zoomValue")->text(), QStringLiteral("100%"));
        QCOMPARE(find<QSpinBox>(d, "charSpacing")->value(), 50);
        QVERIFY(find<QCheckBox>(d, "insertSpaces")->isChecked());
        QVERIFY(find<QRadioButton>(d, "fileNameTitle")->isChecked());
        QCOMPARE(find<ColourSwatch>(d, "backgroundSwatch")->colour(), QColor(Qt::white));
        // An empty home page address proposes the program's own web site.
        QVERIFY(find<QLineEdit>(d, "homepageUrl")->text().startsWith(QStringLiteral("https://")));
        QCOMPARE(find<QSlider>(d, "jpegQuality")->value(), 75);
        QCOMPARE(find<QLabel>(d, "jpegQualityValue")->text(), QStringLiteral("75%"));
        QVERIFY(!find<QCheckBox>(d, "grayscale")->isChecked());
        QVERIFY(find<QCheckBox>(d, "enableLinks")->isChecked());
    }

    void everyPageLoadsItsSettings() {
        writeNonDefaults();
        OptionsDialog d(choosers_);
        QVERIFY(find<QRadioButton>(d, "pageRange")->isChecked());
        QCOMPARE(find<QSpinBox>(d, "pageFrom")->value(), 3);
        QCOMPARE(find<QSpinBox>(d, "pageTo")->value(), 9);
        QCOMPARE(find<QSlider>(d, "zoom")->value(), 150);
        QCOMPARE(find<QLabel>(d, "zoomValue")->text(), QStringLiteral("150%"));
        QVERIFY(find<QCheckBox>(d, "continuous")->isChecked());
        QVERIFY(find<QCheckBox>(d, "removePictures")->isChecked());
        QVERIFY(find<QCheckBox>(d, "preview")->isChecked());
        QCOMPARE(find<QSpinBox>(d, "charSpacing")->value(), 12);
        QVERIFY(!find<QCheckBox>(d, "insertSpaces")->isChecked());
        QCOMPARE(find<QLineEdit>(d, "userPassword")->text(), QStringLiteral("user secret"));
        QCOMPARE(find<QLineEdit>(d, "ownerPassword")->text(), QStringLiteral("owner secret"));
        QVERIFY(find<QRadioButton>(d, "customTitle")->isChecked());
        QCOMPARE(find<QLineEdit>(d, "pageTitle")->text(), QStringLiteral("My title"));
        // 0x336699 holds red in the low byte.
        QCOMPARE(find<ColourSwatch>(d, "backgroundSwatch")->colour(), QColor(0x99, 0x66, 0x33));
        QCOMPARE(find<QLineEdit>(d, "keywords")->text(), QStringLiteral("alpha, beta"));
        QVERIFY(find<QCheckBox>(d, "homepage")->isChecked());
        QCOMPARE(find<QLineEdit>(d, "homepageUrl")->text(), QStringLiteral("https://home.test/"));
        QCOMPARE(find<QSlider>(d, "jpegQuality")->value(), 42);
        QCOMPARE(find<QLabel>(d, "jpegQualityValue")->text(), QStringLiteral("42%"));
        QVERIFY(find<QCheckBox>(d, "grayscale")->isChecked());
        QVERIFY(!find<QCheckBox>(d, "enableLinks")->isChecked());
    }

    void okWritesEveryPage() {
        writeNonDefaults();
        OptionsDialog d(choosers_);
        editEveryControl(d, choosers_);
        d.accept();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(Settings::readInt(Setting::pageRangeType), 1);
        QCOMPARE(Settings::readInt(Setting::pageFrom), 4);
        QCOMPARE(Settings::readInt(Setting::pageTo), 8);
        QCOMPARE(Settings::readInt(Setting::zoom), 175);
        QCOMPARE(Settings::readInt(Setting::continuousMode), 1);
        QCOMPARE(Settings::readInt(Setting::removePictures), 1);
        QCOMPARE(Settings::readInt(Setting::preview), 1);
        QCOMPARE(Settings::readInt(Setting::runGapLimit), 7);
        QCOMPARE(Settings::readInt(Setting::insertSpaces), 0);
        QCOMPARE(Settings::readText(Setting::userPassword), std::string("u1"));
        QCOMPARE(Settings::readText(Setting::ownerPassword), std::string("o1"));
        QCOMPARE(Settings::readInt(Setting::pageTitleKind), 1);
        QCOMPARE(Settings::readText(Setting::pageTitle), std::string("Report \"2024\""));
        QCOMPARE(Settings::readInt(Setting::backgroundColour), 0x563412);
        QCOMPARE(Settings::readText(Setting::pageKeywords), std::string("k1 k2"));
        QCOMPARE(Settings::readInt(Setting::homepageEnabled), 1);
        QCOMPARE(Settings::readText(Setting::homepageUrl), std::string("https://example.test/x"));
        QCOMPARE(Settings::readInt(Setting::jpegQuality), 33);
        QCOMPARE(Settings::readInt(Setting::grayscale), 1);
        QCOMPARE(Settings::readInt(Setting::antialias), 1);
        QCOMPARE(Settings::readInt(Setting::enableLinks), 0);

        // Turning things off again is written too.
        OptionsDialog again(choosers_);
        find<QRadioButton>(again, "allPages")->setChecked(true);
        find<QCheckBox>(again, "continuous")->setChecked(false);
        find<QRadioButton>(again, "fileNameTitle")->setChecked(true);
        find<QCheckBox>(again, "enableLinks")->setChecked(true);
        again.accept();
        QCOMPARE(Settings::readInt(Setting::pageRangeType), 0);
        QCOMPARE(Settings::readInt(Setting::continuousMode), 0);
        QCOMPARE(Settings::readInt(Setting::pageTitleKind), 0);
        QCOMPARE(Settings::readInt(Setting::enableLinks), 1);
    }

    void cancelWritesNothing() {
        writeNonDefaults();
        const QString profile = profile_->folder() + QStringLiteral("/config/vellumix/vellumix.ini");
        QFile before(profile);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray contents = before.readAll();
        before.close();
        {
            OptionsDialog d(choosers_);
            editEveryControl(d, choosers_);
            d.reject();
        }
        QFile after(profile);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), contents);
        QCOMPARE(Settings::readInt(Setting::runGapLimit), 12);
        // Nothing of a fresh profile is created by looking at the options either.
        IsolatedProfile fresh;
        {
            OptionsDialog d(choosers_);
            editEveryControl(d, choosers_);
            d.reject();
        }
        QVERIFY(!QFileInfo::exists(fresh.folder() + QStringLiteral("/config/vellumix")));
    }

    void rangeEditsOnlyForARange() {
        OptionsDialog d(choosers_);
        auto* from = find<QSpinBox>(d, "pageFrom");
        auto* to = find<QSpinBox>(d, "pageTo");
        QVERIFY(!from->isEnabled());
        QVERIFY(!to->isEnabled());
        find<QRadioButton>(d, "pageRange")->setChecked(true);
        QVERIFY(from->isEnabled());
        QVERIFY(to->isEnabled());
        find<QRadioButton>(d, "allPages")->setChecked(true);
        QVERIFY(!from->isEnabled());
        // Loaded as a range, the edits start enabled.
        Settings::write(Setting::pageRangeType, 1);
        OptionsDialog ranged(choosers_);
        QVERIFY(find<QSpinBox>(ranged, "pageFrom")->isEnabled());
    }

    void removePicturesOnlyWithContinuousMode() {
        OptionsDialog d(choosers_);
        auto* remove = find<QCheckBox>(d, "removePictures");
        QVERIFY(!remove->isEnabled());
        find<QCheckBox>(d, "continuous")->setChecked(true);
        QVERIFY(remove->isEnabled());
        find<QCheckBox>(d, "continuous")->setChecked(false);
        QVERIFY(!remove->isEnabled());
    }

    void titleAndHomepageEditsFollowTheirChoices() {
        OptionsDialog d(choosers_);
        auto* title = find<QLineEdit>(d, "pageTitle");
        auto* url = find<QLineEdit>(d, "homepageUrl");
        QVERIFY(!title->isEnabled());
        QVERIFY(!url->isEnabled());
        find<QRadioButton>(d, "customTitle")->setChecked(true);
        QVERIFY(title->isEnabled());
        find<QRadioButton>(d, "fileNameTitle")->setChecked(true);
        QVERIFY(!title->isEnabled());
        find<QCheckBox>(d, "homepage")->setChecked(true);
        QVERIFY(url->isEnabled());
        find<QCheckBox>(d, "homepage")->setChecked(false);
        QVERIFY(!url->isEnabled());
    }

    void slidersUpdateTheirLabelsAndKeepTheirRanges() {
        OptionsDialog d(choosers_);
        auto* zoom = find<QSlider>(d, "zoom");
        auto* quality = find<QSlider>(d, "jpegQuality");
        QCOMPARE(zoom->minimum(), 50);
        QCOMPARE(zoom->maximum(), 200);
        QCOMPARE(quality->minimum(), 1);
        QCOMPARE(quality->maximum(), 100);
        zoom->setValue(63);
        QCOMPARE(find<QLabel>(d, "zoomValue")->text(), QStringLiteral("63%"));
        quality->setSliderPosition(5);
        QCOMPARE(find<QLabel>(d, "jpegQualityValue")->text(), QStringLiteral("5%"));
        QCOMPARE(find<QSpinBox>(d, "charSpacing")->maximum(), 50);
        QCOMPARE(find<QSpinBox>(d, "charSpacing")->minimum(), 0);
    }

    void handWrittenValuesOutsideTheRangesAreShownWithinThem() {
        // Only the pages limit the values; reading them never does.
        Settings::write(Setting::zoom, 300);
        Settings::write(Setting::jpegQuality, 0);
        OptionsDialog d(choosers_);
        QCOMPARE(find<QSlider>(d, "zoom")->value(), 200);
        QCOMPARE(find<QLabel>(d, "zoomValue")->text(), QStringLiteral("200%"));
        QCOMPARE(find<QLabel>(d, "jpegQualityValue")->text(), QStringLiteral("1%"));
        QCOMPARE(Settings::readInt(Setting::zoom), 300);
    }

    void colourChooserStartsWithTheColourAndPaintsTheSwatch() {
        Settings::write(Setting::backgroundColour, 0x0000FF);
        OptionsDialog d(choosers_);
        auto* swatch = find<ColourSwatch>(d, "backgroundSwatch");
        choosers_.colour = std::nullopt;  // cancelled
        QTest::mouseClick(find<QPushButton>(d, "backgroundButton"), Qt::LeftButton);
        QCOMPARE(choosers_.colourStart, QColor(Qt::red));
        QCOMPARE(swatch->colour(), QColor(Qt::red));
        choosers_.colour = QColor(0, 128, 0);
        QTest::mouseClick(find<QPushButton>(d, "backgroundButton"), Qt::LeftButton);
        QCOMPARE(choosers_.colourCalls, 2);
        QCOMPARE(swatch->colour(), QColor(0, 128, 0));
        // The swatch is filled inside its frame, 2 pixels in.
        swatch->resize(40, 22);
        QImage picture = swatch->grab().toImage();
        const QRect inner = swatch->contentsRect().adjusted(2, 2, -2, -2);
        QCOMPARE(QColor(picture.pixel(inner.center())), QColor(0, 128, 0));
        QCOMPARE(QColor(picture.pixel(inner.topLeft())), QColor(0, 128, 0));
        QVERIFY(QColor(picture.pixel(inner.topLeft() - QPoint(1, 1))) != QColor(0, 128, 0));
        QCOMPARE(settingFromColour(colourFromSetting(0x123456)), 0x123456);
    }

    void theRunsSwitchesAreNeitherShownNorSaved() {
        // vellumix -z 150 -j 20: the switches hold for this run only.
        Settings::write(Setting::zoom, 120);
        Settings::setOverride(Setting::zoom, 150);
        Settings::setOverride(Setting::jpegQuality, 20);
        {
            OptionsDialog d(choosers_);
            QCOMPARE(find<QSlider>(d, "zoom")->value(), 120);
            QCOMPARE(find<QSlider>(d, "jpegQuality")->value(), 75);
            d.reject();
        }
        QCOMPARE(Settings::readInt(Setting::zoom), 150);
        OptionsDialog d(choosers_);
        find<QSlider>(d, "jpegQuality")->setValue(60);
        d.accept();
        // What the user confirmed is saved and in force; the switch was not saved.
        QCOMPARE(Settings::readStoredInt(Setting::zoom), 120);
        QCOMPARE(Settings::readInt(Setting::zoom), 120);
        QCOMPARE(Settings::readInt(Setting::jpegQuality), 60);
    }

    void aSaveThatFailsKeepsTheDialogOpen() {
        // The settings folder cannot be made: a file stands where it would go.
        QFile blocker(profile_->folder() + QStringLiteral("/config"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        MessageBoxAnswerer answerer;
        OptionsDialog d(choosers_);
        d.show();
        d.accept();
        QVERIFY(answerer.sawTextContaining(QStringLiteral("could not be saved")));
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        d.reject();
    }
};

}  // namespace qm::test

#include "options_test.moc"

int runOptionsTest(int argc, char** argv) {
    qm::test::OptionsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "app/window/options_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/window/app_icons.h"
#include "app/window/option_pages.h"
#include "app/window/product.h"
#include "platform/system/profile_file.h"

namespace qm {

OptionsDialog::OptionsDialog(Choosers& choosers, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Options"));
    setObjectName(QStringLiteral("optionsDialog"));
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("optionPages"));
    // Every page's tab stays in sight: the dialog is made wide enough for all six.
    tabs_->setUsesScrollButtons(false);
    pages_ = {new GeneralPage, new CharacterPage, new PasswordPage, new HtmlPage(choosers), new RasterPage,
              new HyperlinkPage};
    for (OptionPage* page : pages_) tabs_->addTab(page, page->title());

    auto* logo = new QLabel;
    logo->setPixmap(applicationIcon().pixmap(32, 32));
    auto* name = new QLabel(QString::fromLatin1(kProductName));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(logo);
    bottom->addWidget(name);
    bottom->addStretch(1);
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(bottom);
}

void OptionsDialog::accept() {
    bool ok = true;
    for (const OptionPage* page : pages_) ok &= page->save();
    if (!ok) {
        // Closing as if all went well would lose the user's choices without a word.
        QMessageBox::warning(this, QString::fromLatin1(kProductName),
                             QStringLiteral("The options could not be saved in %1.")
                                 .arg(QString::fromLocal8Bit(applicationProfilePath())));
        return;
    }
    QDialog::accept();
}

}  // namespace qm

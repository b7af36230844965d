#include "app/window/about_box.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/window/app_icons.h"
#include "app/window/link_label.h"
#include "app/window/product.h"

namespace qm {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kAboutTitle));
    setObjectName(QStringLiteral("aboutBox"));

    auto* icon = new QLabel;
    icon->setPixmap(applicationIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    auto* title = new QLabel(QString::fromLatin1(kAboutTitle));
    title->setObjectName(QStringLiteral("aboutTitle"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.25);
    title->setFont(big);

    auto* text = new QPlainTextEdit;
    text->setObjectName(QStringLiteral("aboutText"));
    text->setReadOnly(true);
    text->setPlainText(QStringLiteral(
        "%1 turns PDF files into HTML page sets a browser shows: the text of every page as "
        "positioned HTML over a JPEG picture of its graphics, links as image maps, and a small "
        "site with a page index and the document's bookmarks. It can also write one BMP image "
        "per page.\n\nDrop PDF files on the main window or add them with Open; the options "
        "choose pages, zoom, passwords, pictures and links.")
                           .arg(QString::fromLatin1(kProductName)));
    text->setMinimumSize(380, 130);
    text->setMaximumHeight(150);

    auto* web = new LinkLabel(QUrl(QString::fromLatin1(kWebAddress)));
    web->setObjectName(QStringLiteral("webLink"));
    auto* mail = new LinkLabel(QUrl(QString::fromLatin1(kSupportMail)));
    mail->setObjectName(QStringLiteral("mailLink"));

    auto* links = new QGridLayout;
    links->addWidget(new QLabel(QStringLiteral("Web:")), 0, 0);
    links->addWidget(web, 0, 1, Qt::AlignLeft);
    links->addWidget(new QLabel(QStringLiteral("Support:")), 1, 0);
    links->addWidget(mail, 1, 1, Qt::AlignLeft);
    links->setColumnStretch(1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* right = new QVBoxLayout;
    right->addWidget(title);
    right->addWidget(text, 1);
    right->addLayout(links);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);
}

}  // namespace qm

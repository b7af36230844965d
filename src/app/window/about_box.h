#pragma once
// The about box: product name and version, a few words on what the program does, and the
// web and mail addresses as links.
#include <QDialog>

namespace qm {

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace qm

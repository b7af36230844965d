#pragma once
// The options: six pages in tabs. OK writes every page's settings; Cancel writes nothing.
#include <QDialog>
#include <vector>

class QTabWidget;

namespace qm {

class Choosers;
class OptionPage;

class OptionsDialog : public QDialog {
public:
    OptionsDialog(Choosers& choosers, QWidget* parent = nullptr);
    QTabWidget* tabs() const { return tabs_; }

    void accept() override;

private:
    QTabWidget* tabs_;
    std::vector<OptionPage*> pages_;
};

}  // namespace qm

#pragma once
// A clickable address: underlined, blue, purple once visited and in the highlight colour
// under the mouse, with the address as its tooltip. A click opens it through the desktop;
// when that fails the user is told why.
#include <QLabel>
#include <QUrl>
#include <functional>

namespace qm {

class LinkLabel : public QLabel {
public:
    // Shows `text`, or the address itself when `text` is empty.
    LinkLabel(const QUrl& address, const QString& text = {}, QWidget* parent = nullptr);

    QUrl address() const { return address_; }
    bool visited() const { return visited_; }
    // What opens the address (the desktop's handler unless replaced).
    void setOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }
    // Opens the address as a click does.
    void open();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateColour();

    QUrl address_;
    bool visited_ = false;
    bool hovered_ = false;
    std::function<bool(const QUrl&)> opener_;
};

// Opens a file or an address through the desktop; when that fails, shows the reason with
// `parent` as the message box's owner. `opener` replaces the desktop's handler when set.
bool openThroughDesktop(QWidget* parent, const QUrl& address, const std::function<bool(const QUrl&)>& opener);

}  // namespace qm

#include "app/window/app_icons.h"

#include <QApplication>
#include <QStyle>

// The pictures are compiled into this static library; its resources are registered by hand.
static void registerWindowResources() { Q_INIT_RESOURCE(window); }

namespace qm {

QIcon applicationIcon() {
    static const QIcon icon = [] {
        registerWindowResources();
        QIcon own(QStringLiteral(":/vellumix/vellumix.svg"));
        // Without the desktop's SVG support the drawing cannot be read; a picture of the
        // style keeps the window from showing none at all.
        if (!own.pixmap(32, 32).isNull()) return own;
        return QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView);
    }();
    return icon;
}

QIcon buttonIcon(ButtonPicture picture) {
    // The icon theme's pictures where the desktop has them, the style's otherwise.
    struct Choice {
        const char* themeName;
        QStyle::StandardPixmap fallback;
    };
    Choice choice{};
    switch (picture) {
    case ButtonPicture::open: choice = {"document-open", QStyle::SP_DialogOpenButton}; break;
    case ButtonPicture::options: choice = {"preferences-system", QStyle::SP_FileDialogDetailedView}; break;
    case ButtonPicture::pause: choice = {"media-playback-pause", QStyle::SP_MediaPause}; break;
    case ButtonPicture::resume: choice = {"media-playback-start", QStyle::SP_MediaPlay}; break;
    case ButtonPicture::stop: choice = {"process-stop", QStyle::SP_MediaStop}; break;
    case ButtonPicture::close: choice = {"window-close", QStyle::SP_DialogCloseButton}; break;
    }
    return QIcon::fromTheme(QString::fromLatin1(choice.themeName), QApplication::style()->standardIcon(choice.fallback));
}

}  // namespace qm

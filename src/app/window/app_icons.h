#pragma once
// The program's icon and the pictures of the main window's buttons.
#include <QIcon>

namespace qm {

QIcon applicationIcon();

enum class ButtonPicture { open, options, pause, resume, stop, close };
QIcon buttonIcon(ButtonPicture picture);

}  // namespace qm

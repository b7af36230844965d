#include "app/window/product.h"

#include <QFileInfo>

#include "convert/settings.h"
#include "platform/system/data_dir.h"

namespace qm {

QString windowTitleFor(int convertType) {
    return QString::fromLatin1(convertType == kConvertToBmp ? kBmpWindowTitle : kProductName);
}

QString userGuidePath() {
    const QString path = QString::fromLocal8Bit(dataDirectory()) + QStringLiteral("/help/index.html");
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

}  // namespace qm

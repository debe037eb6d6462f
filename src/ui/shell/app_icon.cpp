#include "ui/shell/app_icon.h"

#include <QString>

// The icon is compiled into the static window library; its resource registers only when
// something in the program refers to it (and Q_INIT_RESOURCE must be outside a namespace).
static void registerIconResource() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(plntool);
        return true;
    }();
    (void)registered;
}

namespace {
constexpr const char* kIconResource = ":/plntool/plntool.png";
} // namespace

QIcon appIcon() {
    registerIconResource();
    return QIcon(QString::fromLatin1(kIconResource));
}

QImage appIconImage(int size) {
    registerIconResource();
    return QImage(QString::fromLatin1(kIconResource))
        .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

#pragma once
// The program's icon: window icon of every window, picture of the About box.

#include <QIcon>
#include <QImage>

QIcon appIcon();
// The icon drawn at size x size pixels.
QImage appIconImage(int size);

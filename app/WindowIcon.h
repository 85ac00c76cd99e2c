#pragma once

#include <QIcon>
#include <QImage>

// The window icon: a triangle, black on its left side, white on its right side and base, on a
// raised light-grey square. Drawn at any size; the icon holds 16 and 32 pixel images.
QImage drawWindowIcon(int size);
QIcon makeWindowIcon();

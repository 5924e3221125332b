#pragma once

#include <QIcon>
#include <QPixmap>

namespace tempinex::qt {

// Icon resource id with its 32 x 32 and 16 x 16 images.
QIcon IconResource(int id);
// One image of an icon resource: size 32 (large) or 16 (small).
QPixmap IconResourceImage(int id, int size);

}  // namespace tempinex::qt

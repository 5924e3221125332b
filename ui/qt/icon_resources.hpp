#pragma once

#include <QIcon>
#include <QPixmap>

namespace tempinex::qt {

// Icon resource id with its 32 x 32 and 16 x 16 images.
QIcon IconResource(int id);
// One image of an icon resource: size 32 (large) or 16 (small).
QPixmap IconResourceImage(int id, int size);
// The PNG image at path; a null pixmap when there is none.
QPixmap ReadPng(const QString& path);
// The style's picture of a file or a folder, for a type whose icon the desktop lacks.
QIcon PlainFileIcon(bool directory);

}  // namespace tempinex::qt

#pragma once

// Test hook: when TEMPINEX_DUMP_GEOMETRY names a file, the rectangle of every control of the
// dialog is written there once the dialog is on screen, one "id x y w h" line per control in
// the window's own coordinates, so that a test can drive the program from outside.

class QWidget;

namespace tempinex::qt {

void DumpGeometryWhenShown(QWidget& window);

}  // namespace tempinex::qt

#pragma once

#include <QIcon>

// A plain picture of a window (frame, title bar, client area) at 16 and 32 pixels, drawn rather
// than shipped as a file.
[[nodiscard]] QIcon genericWindowIcon();

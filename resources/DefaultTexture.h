// The built-in background texture: a 64 x 64 24-bit picture drawn by the program.
#pragma once

#include <QImage>

namespace folivex {
QImage DefaultTexture();
}

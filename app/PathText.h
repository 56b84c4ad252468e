// Paths on Linux are bytes and need not be UTF-8, while the window passes texts as
// QStrings. A byte that is not part of valid UTF-8 travels as a lone surrogate
// U+DC80..U+DCFF, so a path survives the trip through a QString (the command line, the
// forwarding socket, the window) unchanged, and still shows readably around that byte.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace folivex {

QString PathToText(std::string_view bytes);
std::string TextToPath(const QString& text);

} // namespace folivex

#include "core/Settings.h"

namespace folivex {

WindowBounds CentredStartBounds(int screenWidth, int screenHeight) {
    return {(screenWidth - 600) / 2, (screenHeight - 460) / 2, 600, 460};
}

WindowBounds ReadPosSize(const IniFile& ini, int screenWidth, int screenHeight) {
    WindowBounds d = CentredStartBounds(screenWidth, screenHeight);
    WindowBounds b;
    b.top = ini.ReadInteger("PosSize", "Top", d.top);
    b.left = ini.ReadInteger("PosSize", "Left", d.left);
    b.width = ini.ReadInteger("PosSize", "Width", d.width);
    b.height = ini.ReadInteger("PosSize", "Height", d.height);
    return b;
}

void WritePosSize(IniFile& ini, const WindowBounds& b) {
    ini.WriteInteger("PosSize", "Top", b.top);
    ini.WriteInteger("PosSize", "Left", b.left);
    ini.WriteInteger("PosSize", "Width", b.width);
    ini.WriteInteger("PosSize", "Height", b.height);
}

} // namespace folivex

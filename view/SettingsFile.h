// "Folmo.INI" as a whole: the preferences and the album values a new album starts with.
// During a run each value has one owner -- the album values live in the album state, the
// rest in the settings -- so the file is read into both once at start and written from
// both once at close, in the file's fixed key order.
#pragma once

#include "core/IniFile.h"
#include "core/Settings.h"
#include "view/AlbumState.h"

namespace folivex {

// Missing keys give the defaults of `Settings` and of `AlbumState` (picture folder
// "OnDesk").
void ReadSettingsFile(const IniFile& ini, Settings& settings, AlbumState& album);

// [Folivex] Language: the interface language chosen in the options dialog (0 automatic,
// 1 Japanese, 2 English), read before the window exists, since it takes effect at start.
int ReadLanguageSetting(const IniFile& ini);

// Writes every key, empty texts included. A failed write raises "%s に書き込めません" and
// the keys after it stay unwritten.
void WriteSettingsFile(IniFile& ini, const Settings& settings, const AlbumState& album);

} // namespace folivex

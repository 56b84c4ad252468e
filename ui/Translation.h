// The interface language: the program's own Japanese texts, or English from the catalogue
// translations/folivex_en.ts. Every text is written in Japanese in the code (the source
// of the catalogue) and passes through Qt's translator where it is shown; with no
// translator installed the texts stay byte for byte what they are, so the Japanese
// interface, the tests and every file the program writes keep the original words.
#pragma once

#include <QString>
#include <QStringList>

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace folivex {

// The values of [Conf] Language in "Folmo.INI": chosen from the locale, or fixed.
enum class LanguageSetting { Automatic = 0, Japanese = 1, English = 2 };

// English unless the setting asks for Japanese, or it is automatic and the first of the
// locale's interface languages (QLocale::uiLanguages: LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG) is Japanese ("ja...") or the plain C/POSIX locale (what "C.UTF-8" gives too).
bool ChooseEnglish(int setting, const QStringList& uiLanguages);

// The folders searched for "folivex_en.qm", in order: "translations/" in the program
// folder (the build tree), then the installed PREFIX/share/folivex/translations/.
QStringList TranslationFolders(const QString& programFolder);

// Chooses the language from the setting and the system locale and, for English, installs
// the catalogue into the running QCoreApplication. Without a catalogue the interface
// stays Japanese. Returns whether the interface is English.
bool LoadInterfaceLanguage(int setting, const QString& programFolder);

// Removes the catalogue again: the texts are the Japanese sources from then on.
void UnloadInterfaceLanguage();

// The language chosen at start (Japanese until LoadInterfaceLanguage chose English).
bool EnglishInterface();

// The message patterns of the plain code (the msg:: constants marked with
// FOLIVEX_TRANSLATE_NOOP("Messages", ...)); a shown text made from one of them is
// translated by its pattern with the values put back in.
void RegisterMessagePatterns(std::initializer_list<std::string_view> patterns);

// A message as it is shown: the text itself when it is a whole pattern of context
// "Messages", else the translated pattern it was made from (its "%s"/"%d" values and a
// trailing "\n(detail)" kept), else the text unchanged.
QString ShownMessage(const QString& text);
QString ShownMessage(const std::exception& e);

// The main window's caption: "Folivex - TITLE", or in album viewing mode
// "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - TITLE". The title is the user's own, except the program's
// title of the root folder's album, "ルート", which stays so in the album state and in
// files and is shown translated.
QString WindowCaption(bool albumViewingMode, const std::string& title);
QString ShownTitle(const std::string& title);

// A "name|pattern|..." file filter with each name translated (context "Filters").
QString ShownFilter(const QString& filter);

} // namespace folivex

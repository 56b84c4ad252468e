#include "ui/Translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTranslator>

#include <algorithm>
#include <vector>

#ifndef FOLIVEX_INSTALLED_TRANSLATIONS
#define FOLIVEX_INSTALLED_TRANSLATIONS "../../share/folivex/translations"
#endif

namespace folivex {

namespace {

bool g_english = false;

// One registered pattern: its source text and the expression that finds its values.
struct Pattern {
    QByteArray source;
    QRegularExpression match;
    qsizetype literalLength = 0;
};

std::vector<Pattern>& Patterns() {
    static std::vector<Pattern> patterns;
    return patterns;
}

const QRegularExpression& Placeholder() {
    static const QRegularExpression re(QStringLiteral("%[sd]"));
    return re;
}

Pattern MakePattern(std::string_view source) {
    Pattern p;
    p.source = QByteArray(source.data(), static_cast<qsizetype>(source.size()));
    const QString text = QString::fromUtf8(p.source);
    QString expression = QStringLiteral("^");
    qsizetype at = 0;
    auto it = Placeholder().globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        const QString literal = text.mid(at, m.capturedStart() - at);
        p.literalLength += literal.size();
        expression += QRegularExpression::escape(literal);
        expression += m.captured() == QLatin1String("%d") ? QStringLiteral("(-?[0-9]+)")
                                                          : QStringLiteral("(.*)");
        at = m.capturedEnd();
    }
    const QString tail = text.mid(at);
    p.literalLength += tail.size();
    // An archive's damage texts carry the library's own words after the pattern.
    expression += QRegularExpression::escape(tail) + QStringLiteral("(\\n\\(.*\\))?$");
    p.match = QRegularExpression(expression, QRegularExpression::DotMatchesEverythingOption);
    return p;
}

QString Translated(const char* context, const QByteArray& source) {
    return QCoreApplication::translate(context, source.constData());
}

} // namespace

bool ChooseEnglish(int setting, const QStringList& uiLanguages) {
    if (setting == static_cast<int>(LanguageSetting::Japanese))
        return false;
    if (setting == static_cast<int>(LanguageSetting::English))
        return true;
    const QString first = uiLanguages.value(0).toLower();
    if (first.isEmpty() || first == QLatin1String("c") || first.startsWith(QLatin1String("c-")) ||
        first.startsWith(QLatin1String("c.")) || first == QLatin1String("posix"))
        return false;
    return !(first == QLatin1String("ja") || first.startsWith(QLatin1String("ja-")) ||
             first.startsWith(QLatin1String("ja_")));
}

QStringList TranslationFolders(const QString& programFolder) {
    const QString base =
        programFolder.endsWith(QLatin1Char('/')) ? programFolder : programFolder + QLatin1Char('/');
    return {base + QStringLiteral("translations"),
            QDir::cleanPath(base + QStringLiteral(FOLIVEX_INSTALLED_TRANSLATIONS))};
}

namespace {
QTranslator& Catalogue() {
    static QTranslator translator;
    return translator;
}
} // namespace

bool LoadInterfaceLanguage(int setting, const QString& programFolder) {
    UnloadInterfaceLanguage();
    if (!ChooseEnglish(setting, QLocale::system().uiLanguages()))
        return false;
    QTranslator& translator = Catalogue();
    for (const QString& folder : TranslationFolders(programFolder)) {
        if (QFileInfo::exists(folder + QStringLiteral("/folivex_en.qm")) &&
            translator.load(QStringLiteral("folivex_en"), folder)) {
            QCoreApplication::installTranslator(&translator);
            g_english = true;
            break;
        }
    }
    return g_english;
}

void UnloadInterfaceLanguage() {
    QCoreApplication::removeTranslator(&Catalogue());
    g_english = false;
}

bool EnglishInterface() {
    return g_english;
}

void RegisterMessagePatterns(std::initializer_list<std::string_view> patterns) {
    auto& all = Patterns();
    for (std::string_view p : patterns) {
        const QByteArray source(p.data(), static_cast<qsizetype>(p.size()));
        if (std::none_of(all.begin(), all.end(),
                         [&source](const Pattern& known) { return known.source == source; }))
            all.push_back(MakePattern(p));
    }
    // The most specific pattern first, so a short one never takes a longer one's text.
    std::stable_sort(all.begin(), all.end(), [](const Pattern& a, const Pattern& b) {
        return a.literalLength > b.literalLength;
    });
}

QString ShownMessage(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const QString whole = Translated("Messages", utf8);
    if (whole != text)
        return whole;
    for (const Pattern& p : Patterns()) {
        const auto m = p.match.match(text);
        if (!m.hasMatch())
            continue;
        const QString pattern = Translated("Messages", p.source);
        if (pattern == QString::fromUtf8(p.source))
            return text; // not translated: the Japanese interface
        QString out;
        qsizetype at = 0;
        int value = 1;
        auto it = Placeholder().globalMatch(pattern);
        while (it.hasNext()) {
            const auto ph = it.next();
            out += pattern.mid(at, ph.capturedStart() - at);
            out += m.captured(value++);
            at = ph.capturedEnd();
        }
        out += pattern.mid(at);
        out += m.captured(value); // the "\n(detail)", when there is one
        return out;
    }
    return text;
}

QString ShownMessage(const std::exception& e) {
    return ShownMessage(QString::fromUtf8(e.what()));
}

QString ShownTitle(const std::string& title) {
    static const std::string kRoot = "ルート";
    if (title == kRoot)
        return QCoreApplication::translate("Captions", "ルート");
    return QString::fromStdString(title);
}

QString WindowCaption(bool albumViewingMode, const std::string& title) {
    const QString prefix =
        albumViewingMode ? QCoreApplication::translate("Captions", "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - ")
                         : QStringLiteral("Folivex - ");
    return prefix + ShownTitle(title);
}

QString ShownFilter(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        parts[i] = Translated("Filters", parts[i].toUtf8());
    return parts.join(QLatin1Char('|'));
}

} // namespace folivex

#include "ui/Dialogs.h"

#include "ui/Translation.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace folivex {

namespace {

Dialogs* g_dialogs = nullptr;

// The boxes' own words, in context "Dialogs"; the texts shown in them are the callers'
// messages, translated by their patterns where they come from the plain code.
QString Tr(const char* text) {
    return QCoreApplication::translate("Dialogs", text);
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, ShownMessage(text), QMessageBox::NoButton, parent);
    box.addButton(Tr(QT_TRANSLATE_NOOP("Dialogs", "OK")), QMessageBox::AcceptRole);
    box.exec();
}

QString Cleaned(const QString& chosen) {
    return chosen.isEmpty() ? chosen : QDir::cleanPath(chosen);
}

} // namespace

Dialogs& AppDialogs() {
    static QtDialogs fallback;
    return g_dialogs ? *g_dialogs : fallback;
}

void SetAppDialogs(Dialogs* dialogs) {
    g_dialogs = dialogs;
}

namespace {

struct OpenErrorBox {
    bool open = false;
    QString shown;
    QStringList waiting;
};

OpenErrorBox& ErrorBoxState() {
    static OpenErrorBox state;
    return state;
}

} // namespace

void ShowErrorBox(const QString& text) {
    OpenErrorBox& box = ErrorBoxState();
    if (box.open) {
        if (text != box.shown && !box.waiting.contains(text))
            box.waiting.append(text);
        return;
    }
    struct Closed {
        OpenErrorBox& box;
        ~Closed() {
            box.open = false;
            box.waiting.clear();
        }
    } closed{box};
    box.open = true;
    for (box.shown = text;; box.shown = box.waiting.takeFirst()) {
        AppDialogs().ErrorBox(box.shown);
        if (box.waiting.isEmpty())
            break;
    }
}

QString ToQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return out.join(QStringLiteral(";;"));
}

void QtDialogs::Warning(const QString& text) {
    ShowBox(parent_, QMessageBox::Warning, Tr(QT_TRANSLATE_NOOP("Dialogs", "警告")), text);
}

void QtDialogs::WarningYes(const QString& text) {
    QMessageBox box(QMessageBox::Warning, Tr(QT_TRANSLATE_NOOP("Dialogs", "警告")),
                    ShownMessage(text), QMessageBox::NoButton, parent_);
    box.addButton(Tr(QT_TRANSLATE_NOOP("Dialogs", "はい(&Y)")), QMessageBox::AcceptRole);
    box.exec();
}

bool QtDialogs::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, Tr(QT_TRANSLATE_NOOP("Dialogs", "確認")),
                    ShownMessage(text), QMessageBox::NoButton, parent_);
    QPushButton* yes =
        box.addButton(Tr(QT_TRANSLATE_NOOP("Dialogs", "はい(&Y)")), QMessageBox::YesRole);
    box.addButton(Tr(QT_TRANSLATE_NOOP("Dialogs", "いいえ(&N)")), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

void QtDialogs::ConfirmOk(const QString& text) {
    ShowBox(parent_, QMessageBox::Question, Tr(QT_TRANSLATE_NOOP("Dialogs", "確認")), text);
}

void QtDialogs::Information(const QString& text) {
    ShowBox(parent_, QMessageBox::Information, Tr(QT_TRANSLATE_NOOP("Dialogs", "情報")), text);
}

void QtDialogs::ErrorBox(const QString& text) {
    ShowBox(parent_, QMessageBox::Critical, Tr(QT_TRANSLATE_NOOP("Dialogs", "ｴﾗｰ")), text);
}

std::optional<QString> QtDialogs::InputBox(const QString& caption, const QString& prompt,
                                           const QString& initial) {
    bool ok = false;
    QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

// A name typed into a file dialog may climb out of its folder ("../../comic.cbz"); the
// program keeps and shows paths without such steps, as the command line does.
QString QtDialogs::OpenFile(const QString& folder, const QString& filter) {
    return Cleaned(
        QFileDialog::getOpenFileName(parent_, QString(), folder, ToQtFilter(ShownFilter(filter))));
}

QStringList QtDialogs::OpenFiles(const QString& folder, const QString& filter) {
    QStringList chosen =
        QFileDialog::getOpenFileNames(parent_, QString(), folder, ToQtFilter(ShownFilter(filter)));
    for (QString& path : chosen)
        path = Cleaned(path);
    return chosen;
}

QString QtDialogs::SaveFile(const QString& folder, const QString& filter) {
    return Cleaned(
        QFileDialog::getSaveFileName(parent_, QString(), folder, ToQtFilter(ShownFilter(filter))));
}

QString QtDialogs::BrowseForFolder(const QString& start) {
    return Cleaned(QFileDialog::getExistingDirectory(
        parent_, Tr(QT_TRANSLATE_NOOP("Dialogs", "お好きなﾌｫﾙﾀﾞを選択して下さい。")), start));
}

std::optional<QColor> QtDialogs::ChooseColor(const QColor& initial) {
    QColor c = QColorDialog::getColor(initial, parent_);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

} // namespace folivex

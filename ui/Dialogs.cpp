#include "ui/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace folivex {

namespace {

Dialogs* g_dialogs = nullptr;

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

} // namespace

Dialogs& AppDialogs() {
    static QtDialogs fallback;
    return g_dialogs ? *g_dialogs : fallback;
}

void SetAppDialogs(Dialogs* dialogs) {
    g_dialogs = dialogs;
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
    ShowBox(parent_, QMessageBox::Warning, QStringLiteral("警告"), text);
}

void QtDialogs::WarningYes(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), text, QMessageBox::NoButton,
                    parent_);
    box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::AcceptRole);
    box.exec();
}

bool QtDialogs::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text, QMessageBox::NoButton,
                    parent_);
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

void QtDialogs::ConfirmOk(const QString& text) {
    ShowBox(parent_, QMessageBox::Question, QStringLiteral("確認"), text);
}

void QtDialogs::Information(const QString& text) {
    ShowBox(parent_, QMessageBox::Information, QStringLiteral("情報"), text);
}

void QtDialogs::ErrorBox(const QString& text) {
    ShowBox(parent_, QMessageBox::Critical, QStringLiteral("ｴﾗｰ"), text);
}

std::optional<QString> QtDialogs::InputBox(const QString& caption, const QString& prompt,
                                           const QString& initial) {
    bool ok = false;
    QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString QtDialogs::OpenFile(const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, QString(), folder, ToQtFilter(filter));
}

QStringList QtDialogs::OpenFiles(const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent_, QString(), folder, ToQtFilter(filter));
}

QString QtDialogs::SaveFile(const QString& folder, const QString& filter) {
    return QFileDialog::getSaveFileName(parent_, QString(), folder, ToQtFilter(filter));
}

QString QtDialogs::BrowseForFolder(const QString& start) {
    return QFileDialog::getExistingDirectory(
        parent_, QStringLiteral("お好きなﾌｫﾙﾀﾞを選択して下さい。"), start);
}

std::optional<QColor> QtDialogs::ChooseColor(const QColor& initial) {
    QColor c = QColorDialog::getColor(initial, parent_);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

} // namespace folivex

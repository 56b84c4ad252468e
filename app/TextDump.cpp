#include "app/TextDump.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>

namespace folivex {

void TextDump::InstallFromEnvironment() {
    const QString path = qEnvironmentVariable("FOLIVEX_TEXT_DUMP");
    if (!path.isEmpty())
        qApp->installEventFilter(new TextDump(path, qApp));
}

TextDump::TextDump(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {}

bool TextDump::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (auto* menu = qobject_cast<QMenu*>(widget)) {
            QStringList lines{QStringLiteral("menu: ") + menu->title()};
            for (QAction* a : menu->actions())
                if (a->isVisible() && !a->isSeparator())
                    lines << QStringLiteral("item: ") + a->text();
            Append(lines);
        } else if (widget->isWindow() && !widget->inherits("QToolTip") &&
                   !widget->inherits("QTipLabel")) {
            DumpWindow(widget);
        } else if (qobject_cast<QStackedWidget*>(widget->parentWidget()) &&
                   widget->window()->isVisible()) {
            DumpWindow(widget->window()); // a page brought forward: the window reads anew
        }
    }
    return QObject::eventFilter(watched, event);
}

void TextDump::DumpWindow(QWidget* window) {
    QStringList lines{QStringLiteral("window: ") + window->windowTitle()};
    // Shown, or on a page of a tab or stack that a click brings forward.
    auto shown = [window](QWidget* w) {
        for (; w && w != window; w = w->parentWidget())
            if (w->isHidden() && !qobject_cast<QStackedWidget*>(w->parentWidget()))
                return false;
        return true;
    };
    if (auto* bar = window->findChild<QMenuBar*>(); bar && shown(bar))
        for (QAction* a : bar->actions())
            if (a->isVisible())
                lines << QStringLiteral("menu: ") + a->text();
    for (QToolBar* bar : window->findChildren<QToolBar*>()) {
        if (!shown(bar))
            continue;
        lines << QStringLiteral("text: ") + bar->windowTitle();
        for (QAction* a : bar->actions())
            if (a->isVisible() && !a->isSeparator())
                lines << QStringLiteral("hint: ") + a->toolTip();
    }
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!shown(w))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty())
            lines << QStringLiteral("text: ") + label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w);
                 button && !button->text().isEmpty())
            lines << QStringLiteral("text: ") + button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            lines << QStringLiteral("text: ") + group->title();
        else if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable())
            for (int i = 0; i < combo->count(); ++i)
                lines << QStringLiteral("text: ") + combo->itemText(i);
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                lines << QStringLiteral("text: ") + tabs->tabText(i);
        if (auto* header = qobject_cast<QHeaderView*>(w); header && header->model())
            for (int i = 0; i < header->count(); ++i)
                lines << QStringLiteral("text: ") +
                             header->model()->headerData(i, header->orientation()).toString();
        if (!w->toolTip().isEmpty())
            lines << QStringLiteral("hint: ") + w->toolTip();
    }
    Append(lines);
}

void TextDump::Append(const QStringList& lines) {
    QFile file(path_);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    for (const QString& line : lines) {
        QString flat = line;
        flat.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QLatin1Char(' '));
        file.write(flat.toUtf8() + '\n');
    }
}

} // namespace folivex

#include "toolbars/MainToolbars.h"

#include "resources/Icons.h"

#include <QActionGroup>
#include <QMainWindow>

namespace folivex {

namespace {

// How a speed button looks: its glyph (a theme name, possibly none, and the program's
// own drawing), its hint (tool-tip and status text) and its short text (the action's
// text, which a bar shows only when it is set to show texts).
struct Glyph {
    const char* themeName;
    const char* ownName;
};

QAction* AddButton(QToolBar* bar, Glyph glyph, const QString& hint, const QString& text = {}) {
    QAction* a =
        bar->addAction(ToolbarIcon(glyph.themeName, glyph.ownName), text.isEmpty() ? hint : text);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    return a;
}

void Exclusive(QObject* owner, std::initializer_list<QAction*> actions) {
    auto* g = new QActionGroup(owner);
    g->setExclusive(true);
    for (QAction* a : actions) {
        a->setCheckable(true);
        g->addAction(a);
    }
}

QToolBar* AddBar(QMainWindow* window, const QString& title, const char* name) {
    QToolBar* bar = window->addToolBar(title);
    bar->setObjectName(QString::fromUtf8(name));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setIconSize(QSize(20, 20));
    return bar;
}

} // namespace

MainToolbars::MainToolbars(QMainWindow* window, ToolbarMenuItems items)
    : QObject(window), items_(items) {
    BuildAlbumFileBar(window);
    BuildBasicBar(window);
    BuildAlbumConfBar(window);
    ConnectClose(tlbAlbumFileBar, items_.hideAlbumFile, tr("ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを表示(&F)"));
    ConnectClose(tlbBasicBar, items_.hideBasic, tr("基本ﾂｰﾙﾊﾞｰを表示(&B)"));
    ConnectClose(tlbAlbumConfBar, items_.hideAlbumConf, tr("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを表示(&C)"));
}

void MainToolbars::BuildAlbumFileBar(QMainWindow* window) {
    tlbAlbumFileBar = AddBar(window, tr("ｱﾙﾊﾞﾑﾌｧｲﾙ"), "tlbAlbumFileBar");
    spbOpen = AddButton(tlbAlbumFileBar, {"document-open", "album-open"}, tr("ｱﾙﾊﾞﾑﾌｧｲﾙを開く"),
                        tr("開く"));
    spbClose =
        AddButton(tlbAlbumFileBar, {"", "album-close"}, tr("ｱﾙﾊﾞﾑﾌｧｲﾙを閉じる"), tr("閉じる"));
    spbClose->setEnabled(false);
    spbViewFolder =
        AddButton(tlbAlbumFileBar, {"", "album-folder"}, tr("ｱﾙﾊﾞﾑﾌｧｲﾙﾌｫﾙﾀﾞの参照"), tr("参照"));
    tlbAlbumFileBar->addSeparator();
    spbSave = AddButton(tlbAlbumFileBar, {"document-save", "album-save"},
                        tr("ｱﾙﾊﾞﾑﾌｧｲﾙの作成/保存"), tr("保存"));
}

void MainToolbars::BuildBasicBar(QMainWindow* window) {
    tlbBasicBar = AddBar(window, tr("基本"), "tlbBasicBar");
    tlbBasicBar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    spbView = AddButton(tlbBasicBar, {"", "view-book"}, tr("画像の閲覧"), tr("ビュー"));
    spbContents = AddButton(tlbBasicBar, {"", "view-contents"}, tr("閲覧画像の選択とコメント付加"),
                            tr("目次"));
    Exclusive(this, {spbView, spbContents});
    spbView->setChecked(true);
}

void MainToolbars::BuildAlbumConfBar(QMainWindow* window) {
    tlbAlbumConfBar = AddBar(window, tr("ｱﾙﾊﾞﾑ設定"), "tlbAlbumConfBar");
    spbConfig = AddButton(tlbAlbumConfBar, {"preferences-system", "preferences"}, tr("環境設定"));
    tlbAlbumConfBar->addSeparator();
    spb2Spilit = AddButton(tlbAlbumConfBar, {"", "split-2"}, tr("2分割ﾓｰﾄﾞ"), tr("2分割"));
    spb4Spilit = AddButton(tlbAlbumConfBar, {"", "split-4"}, tr("4分割ﾓｰﾄﾞ"), tr("4分割"));
    Exclusive(this, {spb2Spilit, spb4Spilit});
    spb2Spilit->setChecked(true);
    tlbAlbumConfBar->addSeparator();
    spbRightOpen = AddButton(tlbAlbumConfBar, {"", "open-right"}, tr("右開き"));
    spbLeftOpen = AddButton(tlbAlbumConfBar, {"", "open-left"}, tr("左開き"));
    Exclusive(this, {spbRightOpen, spbLeftOpen});
    spbRightOpen->setChecked(true);
    tlbAlbumConfBar->addSeparator();
    spbNormalImage = AddButton(tlbAlbumConfBar, {"", "draw-plain"}, tr("通常描画"));
    spbClearImage = AddButton(tlbAlbumConfBar, {"", "draw-clean"}, tr("きれいに描画"));
    Exclusive(this, {spbNormalImage, spbClearImage});
    spbNormalImage->setChecked(true);
    tlbAlbumConfBar->addSeparator();
    spbWriteTitle = AddButton(tlbAlbumConfBar, {"", "album-title"}, tr("ﾀｲﾄﾙを変更"), tr("ﾀｲﾄﾙ"));
}

// A toolbar the user closes himself (its context menu or float close box) reports it, so
// the menu item offers to show it again.
void MainToolbars::ConnectClose(QToolBar* bar, QAction* item, const QString& hiddenCaption) {
    connect(bar->toggleViewAction(), &QAction::toggled, this, [item, hiddenCaption](bool visible) {
        if (!visible)
            item->setText(hiddenCaption);
    });
}

void MainToolbars::ApplyModes(bool fourSplit, bool rightOpen, bool clearImage) {
    (fourSplit ? spb4Spilit : spb2Spilit)->setChecked(true);
    (rightOpen ? spbRightOpen : spbLeftOpen)->setChecked(true);
    (clearImage ? spbClearImage : spbNormalImage)->setChecked(true);
}

std::array<QAction*, 6> MainToolbars::ModeButtons() const {
    return {spb2Spilit, spb4Spilit, spbRightOpen, spbLeftOpen, spbNormalImage, spbClearImage};
}

void MainToolbars::SetModeButtonsEnabled(bool enabled) {
    for (QAction* a : ModeButtons())
        a->setEnabled(enabled);
}

void MainToolbars::Toggle(QToolBar* bar, QAction* item, const QString& shownCaption,
                          const QString& hiddenCaption) {
    const bool hide = bar->isVisible();
    bar->setVisible(!hide);
    item->setText(hide ? hiddenCaption : shownCaption);
}

void MainToolbars::ToggleAlbumFileBar() {
    Toggle(tlbAlbumFileBar, items_.hideAlbumFile, tr("ｱﾙﾊﾞﾑﾂｰﾙﾊﾞｰを隠す(&F)"),
           tr("ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを表示(&F)"));
}

void MainToolbars::ToggleBasicBar() {
    Toggle(tlbBasicBar, items_.hideBasic, tr("基本ﾂｰﾙﾊﾞｰを隠す(&B)"), tr("基本ﾂｰﾙﾊﾞｰを表示(&B)"));
}

void MainToolbars::ToggleAlbumConfBar() {
    Toggle(tlbAlbumConfBar, items_.hideAlbumConf, tr("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを隠す(&C)"),
           tr("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを表示(&C)"));
}

void MainToolbars::ToggleAll() {
    const bool hide = hideAllTag_ == 0;
    for (QToolBar* b : {tlbAlbumFileBar, tlbBasicBar, tlbAlbumConfBar})
        b->setVisible(!hide);
    auto caption = [hide](QAction* item, const QString& shown, const QString& hidden) {
        item->setText(hide ? hidden : shown);
    };
    caption(items_.hideAll, tr("全てのﾂｰﾙﾊﾞｰを隠す(&H)"), tr("全てのﾂｰﾙﾊﾞｰを表示(&H)"));
    caption(items_.hideAlbumFile, tr("ｱﾙﾊﾞﾑﾂｰﾙﾊﾞｰを隠す(&F)"), tr("ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを表示(&F)"));
    caption(items_.hideBasic, tr("基本ﾂｰﾙﾊﾞｰを隠す(&B)"), tr("基本ﾂｰﾙﾊﾞｰを表示(&B)"));
    caption(items_.hideAlbumConf, tr("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを隠す(&C)"), tr("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを表示(&C)"));
    hideAllTag_ = hide ? 1 : 0;
}

} // namespace folivex

#include "contents/FolderTreeView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHeaderView>
#include <QIcon>
#include <QScrollBar>

namespace folivex {

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;

QIcon IconFor(FolderNode::Kind kind, bool open) {
    switch (kind) {
    case FolderNode::Kind::Desktop:
        return QIcon::fromTheme("user-desktop", QIcon::fromTheme("folder"));
    case FolderNode::Kind::Computer:
        return QIcon::fromTheme("computer");
    case FolderNode::Kind::Drive:
        return QIcon::fromTheme("drive-harddisk", QIcon::fromTheme("folder"));
    case FolderNode::Kind::Home:
        return QIcon::fromTheme("user-home", QIcon::fromTheme("folder"));
    case FolderNode::Kind::Archive:
        return QIcon::fromTheme("package-x-generic", QIcon::fromTheme("folder"));
    case FolderNode::Kind::Folder:
        break;
    }
    return open ? QIcon::fromTheme("folder-open", QIcon::fromTheme("folder"))
                : QIcon::fromTheme("folder");
}

// The hourglass while a level is read; restored on every way out.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

TFolderTreeViewPetit::TFolderTreeViewPetit(ShellEnvironment env, QWidget* parent)
    : QTreeWidget(parent), model_(std::move(env)) {
    setHeaderHidden(true);
    setColumnCount(1);
    setIndentation(19);
    // A deep folder would otherwise be squeezed to an ellipsis in the narrow panel: the
    // column is as wide as its names and the tree scrolls sideways.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    connect(this, &QTreeWidget::itemExpanded, this, &TFolderTreeViewPetit::OnItemExpanded);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                OnCurrentChanged(current, previous);
            });
    BuildRoot();
}

void TFolderTreeViewPetit::BuildRoot() {
    const QSignalBlocker blocker(this);
    clear();
    items_.clear();
    model_.BuildRoot();
    QTreeWidgetItem* top = MakeItem(model_.Top());
    addTopLevelItem(top);
    AddItems(top, model_.Top());
    top->setExpanded(true);
    if (top->childCount() > 0) {
        QTreeWidgetItem* computer = top->child(0);
        AddItems(computer, model_.Computer());
        computer->setExpanded(true);
    }
}

QTreeWidgetItem* TFolderTreeViewPetit::MakeItem(FolderNode* node) {
    auto* item = new QTreeWidgetItem;
    // The computer's node is the program's own name; the others are the file system's.
    item->setText(0, node->kind == FolderNode::Kind::Computer
                         ? QCoreApplication::translate("FolderTree", node->text.c_str())
                         : QString::fromStdString(node->text));
    item->setIcon(0, IconFor(node->kind, false));
    item->setData(0, kNodeRole, QVariant::fromValue(quintptr(node)));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setChildIndicatorPolicy(node->hasSubfolders
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    items_[node] = item;
    return item;
}

// Adds items for the node's children that have none yet (they were just read).
void TFolderTreeViewPetit::AddItems(QTreeWidgetItem* parentItem, FolderNode* parent) {
    if (!parent)
        return;
    for (const auto& child : parent->children) {
        if (!items_.count(child.get()))
            parentItem->addChild(MakeItem(child.get()));
    }
}

QTreeWidgetItem* TFolderTreeViewPetit::ItemOf(const FolderNode* node) const {
    const auto it = items_.find(node);
    return it == items_.end() ? nullptr : it->second;
}

FolderNode* TFolderTreeViewPetit::NodeOf(const QTreeWidgetItem* item) const {
    if (!item)
        return nullptr;
    return reinterpret_cast<FolderNode*>(item->data(0, kNodeRole).value<quintptr>());
}

void TFolderTreeViewPetit::FillChildren(QTreeWidgetItem* item) {
    FolderNode* node = NodeOf(item);
    if (!node)
        return;
    if (RenewOnExpand && node->filled) {
        for (const auto& child : node->children) {
            std::vector<const FolderNode*> stack{child.get()};
            while (!stack.empty()) {
                const FolderNode* n = stack.back();
                stack.pop_back();
                items_.erase(n);
                for (const auto& c : n->children)
                    stack.push_back(c.get());
            }
        }
        qDeleteAll(item->takeChildren());
        FolderTreeModel::ClearChildren(node);
    }
    if (!node->filled) {
        BusyCursor busy;
        model_.FillChildren(node);
    }
    AddItems(item, node);
    if (item->childCount() == 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TFolderTreeViewPetit::OnItemExpanded(QTreeWidgetItem* item) {
    FillChildren(item);
    emit Expanding(item);
}

void TFolderTreeViewPetit::OnCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (const FolderNode* old = NodeOf(previous))
        previous->setIcon(0, IconFor(old->kind, false));
    const FolderNode* node = NodeOf(current);
    directory_ = node ? node->path : std::string();
    if (node)
        current->setIcon(0, IconFor(node->kind, true));
    emit Change();
}

void TFolderTreeViewPetit::SetDirectory(const std::string& path) {
    directory_ = path;
    FolderNode* node = model_.FindPath(path, NodeOf(currentItem()));
    if (!node)
        return;
    // Make items for every level the walk read, from the top down.
    std::vector<FolderNode*> chain;
    for (FolderNode* n = node; n; n = n->parent)
        chain.push_back(n);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (QTreeWidgetItem* item = ItemOf(*it))
            AddItems(item, *it);
    }
    QTreeWidgetItem* item = ItemOf(node);
    if (!item)
        return;
    if (item != currentItem())
        setCurrentItem(item);
    ShowName(item);
}

void TFolderTreeViewPetit::showEvent(QShowEvent* event) {
    QTreeWidget::showEvent(event);
    // A folder chosen while the page was hidden was scrolled to with no size to go by;
    // scroll again once the panel has its size.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (QTreeWidgetItem* item = currentItem())
                ShowName(item);
        },
        Qt::QueuedConnection);
}

void TFolderTreeViewPetit::ShowName(QTreeWidgetItem* item) {
    // The column's width and the scroll range follow the new rows only at the next
    // layout; bring them up to date first.
    resizeColumnToContents(0);
    updateGeometries();
    scrollToItem(item);
    // scrollToItem keeps the column's left edge in view, which for a deep folder leaves
    // its name beyond the right edge; bring the name in, one level's indent before it.
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(bar->value() + visualItemRect(item).left() - indentation());
}

bool TFolderTreeViewPetit::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (!OnEditing || !OnEditing(itemFromIndex(index)))
        return false;
    return QTreeWidget::edit(index, trigger, event);
}

} // namespace folivex

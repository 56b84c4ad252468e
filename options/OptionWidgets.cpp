#include "options/OptionWidgets.h"

#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QVBoxLayout>

namespace folivex {

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), group_(new QButtonGroup(this)), layout_(new QVBoxLayout(this)) {
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit ItemIndexChanged(id);
    });
    SetItems(items);
}

void RadioGroup::SetItems(const QStringList& items) {
    for (QRadioButton* b : buttons_) {
        group_->removeButton(b);
        delete b;
    }
    buttons_.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        group_->addButton(b, i);
        layout_->addWidget(b);
        buttons_.push_back(b);
    }
}

QString RadioGroup::ItemText(int index) const {
    return index >= 0 && index < ItemCount() ? Button(index)->text() : QString();
}

int RadioGroup::ItemIndex() const {
    return group_->checkedId();
}

void RadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < ItemCount()) {
        Button(index)->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; lift that while clearing.
    if (QAbstractButton* b = group_->checkedButton()) {
        group_->setExclusive(false);
        b->setChecked(false);
        group_->setExclusive(true);
        emit ItemIndexChanged(-1);
    }
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

ArrowOnlySpinBox::ArrowOnlySpinBox(QWidget* parent) : QSpinBox(parent) {
    lineEdit()->setReadOnly(true);
}

BeepSpinBox::BeepSpinBox(QWidget* parent) : QSpinBox(parent) {
    lineEdit()->setReadOnly(true);
}

void BeepSpinBox::stepBy(int) {
    QApplication::beep();
    emit beeped();
}

} // namespace folivex

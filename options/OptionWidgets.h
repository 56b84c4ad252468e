// Small widgets the settings dialogs share: a titled group of radio buttons addressed by
// item number, a label that reports clicks, and spin boxes whose text cannot be typed.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QStringList>

#include <vector>

class QButtonGroup;
class QRadioButton;
class QVBoxLayout;

namespace folivex {

// A group of radio buttons with one selected item (or none: -1).
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    // Replaces the items; the selection is cleared.
    void SetItems(const QStringList& items);
    int ItemCount() const { return int(buttons_.size()); }
    QString ItemText(int index) const;
    // The selected item, -1 when none is.
    int ItemIndex() const;
    // Selects an item; an index that is not an item clears the selection.
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const { return buttons_.at(std::size_t(index)); }

signals:
    // The selection changed, by the user or by SetItemIndex.
    void ItemIndexChanged(int index);

private:
    QButtonGroup* group_;
    QVBoxLayout* layout_;
    std::vector<QRadioButton*> buttons_;
};

// A label that reports a left click. The first click of a double click already reported
// it, so a double click opens one chooser, not two.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A spin box changed by its arrows (buttons, keys, wheel) only; typing is refused.
class ArrowOnlySpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit ArrowOnlySpinBox(QWidget* parent = nullptr);
};

// A read-only spin box whose arrows only beep: it always keeps its value.
class BeepSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit BeepSpinBox(QWidget* parent = nullptr);
    void stepBy(int steps) override;

signals:
    void beeped();

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

} // namespace folivex

#include "contents/FileExtList.h"

namespace folivex {

TFileExtList::TFileExtList(QWidget* parent) : QListWidget(parent) {
    QFont bold = font();
    bold.setPixelSize(15);
    bold.setBold(true);
    setFont(bold);
    setToolTip(tr("現在選択できる画像の種類です。"));
    setUniformItemSizes(true);
}

void TFileExtList::SetPatterns(const std::vector<std::string>& patterns) {
    clear();
    for (const auto& pattern : patterns) {
        auto* item = new QListWidgetItem(QString::fromStdString(pattern), this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setSizeHint(QSize(0, 15));
    }
}

std::vector<std::string> TFileExtList::CheckedPatterns() const {
    std::vector<std::string> patterns;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->checkState() == Qt::Checked)
            patterns.push_back(item(i)->text().toStdString());
    }
    return patterns;
}

} // namespace folivex

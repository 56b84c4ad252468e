#include "contents/Search.h"

#include <QLocale>

namespace folivex {

int FindCommentRow(const PictureList& list, int startRow, const QString& text,
                   SearchDirection direction) {
    if (text.isEmpty() || startRow < 1)
        return 0;
    const QLocale locale = QLocale::system();
    const QString needle = locale.toUpper(text);
    const int last = list.RowCount() - 1;
    const int step = direction == SearchDirection::Forward ? 1 : -1;
    for (int row = startRow; row >= 1 && row <= last; row += step) {
        const QString comment = QString::fromStdString(list.Comment(row));
        if (locale.toUpper(comment).contains(needle))
            return row;
    }
    return 0;
}

} // namespace folivex

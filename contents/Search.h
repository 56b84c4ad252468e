// The comment search of the status bar: finds the first picture row, from the shown
// spread on, whose comment holds the search text.
#pragma once

#include "view/PictureList.h"

#include <QString>

namespace folivex {

enum class SearchDirection { Forward, Backward };

// The first matching row scanning from `startRow` (the shown spread's first row) toward
// the end or the beginning, or 0 when none matches. The text and the comments are
// compared upper-cased by the locale's rules; an empty text matches nothing.
int FindCommentRow(const PictureList& list, int startRow, const QString& text,
                   SearchDirection direction);

} // namespace folivex

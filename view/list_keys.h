#pragma once

#include <optional>

class QAbstractScrollArea;

// A list box of text rows drawn by the list itself: focus, a vertical bar moving a row at a step,
// the list's own background.
void setUpRowList(QAbstractScrollArea* list);

// The row a list box's selection moves to for a navigation key (arrows, pages, Home, End), kept
// within the list; nothing for any other key. `row` is the selected row, -1 when none.
std::optional<int> rowForKey(int key, int row, int page, int count);

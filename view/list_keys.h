#pragma once

#include <optional>

// The row a list box's selection moves to for a navigation key (arrows, pages, Home, End), kept
// within the list; nothing for any other key. `row` is the selected row, -1 when none.
std::optional<int> rowForKey(int key, int row, int page, int count);

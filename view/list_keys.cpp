#include "list_keys.h"

#include <QAbstractScrollArea>
#include <QScrollBar>
#include <Qt>
#include <algorithm>

std::optional<int> rowForKey(int key, int row, int page, int count)
{
    switch (key) {
    case Qt::Key_Up:
        row = std::max(0, row - 1);
        break;
    case Qt::Key_Down:
        row = row + 1;
        break;
    case Qt::Key_PageUp:
        row = std::max(0, row - page);
        break;
    case Qt::Key_PageDown:
        row = row + page;
        break;
    case Qt::Key_Home:
        row = 0;
        break;
    case Qt::Key_End:
        row = count - 1;
        break;
    default:
        return std::nullopt;
    }
    return std::clamp(row, 0, std::max(0, count - 1));
}

void setUpRowList(QAbstractScrollArea* list)
{
    list->setFocusPolicy(Qt::StrongFocus);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->verticalScrollBar()->setSingleStep(1);
    list->viewport()->setBackgroundRole(QPalette::Base);
    list->viewport()->setAutoFillBackground(true);
}

#pragma once

#include <QBoxLayout>
#include <QList>
#include <QString>

// Brings a column of row widgets in line with a model list. While the list
// holds the same ids in the same order, each row is updated in place (the
// widget under the user's mouse must survive a value change); otherwise the
// rows are replaced. Old rows are deleted later, because the change may come
// from inside one of their own signal handlers.
template <typename Row, typename Item, typename IdOf, typename Make, typename Update>
void syncRows(QList<Row *> &rows, QBoxLayout *column, const QList<Item> &items, IdOf idOf,
              Make make, Update update)
{
    bool sameIds = rows.size() == items.size();
    for (qsizetype i = 0; sameIds && i < items.size(); ++i)
        sameIds = rows.at(i)->id() == idOf(items.at(i));

    if (sameIds) {
        for (qsizetype i = 0; i < items.size(); ++i)
            update(rows.at(i), items.at(i));
        return;
    }
    for (Row *row : rows) {
        row->hide();
        column->removeWidget(row);
        row->deleteLater();
    }
    rows.clear();
    for (const Item &item : items) {
        Row *row = make(item);
        column->addWidget(row);
        // Shown now rather than on the layout's deferred show, so the panel
        // never draws a frame without the row.
        row->show();
        rows.append(row);
    }
}

#pragma once

#include "content/VaultContentItem.h"
#include "ui/VaultContentRowModel.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QIcon>
#include <QList>

#include <optional>
#include <vector>

// The top-level items of an unlocked vault as the item list shows them: one row per item in the
// listing's own order (sorted off the GUI thread by the content service) and the columns name,
// size and modification date. A row's texts are made the first time the view asks for them, so
// a listing of tens of thousands of items costs the GUI thread only the rows actually drawn.
class VaultContentListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        nameColumn,
        sizeColumn,
        dateColumn,
        columnTotal
    };

    explicit VaultContentListModel(QObject* parent = nullptr);

    // Replaces every row at once with a new listing.
    void setItems(QList<VaultContentItem> items);
    const QList<VaultContentItem>& items() const { return items_; }
    // The row listing the item at `url`, or -1.
    int rowOf(const QUrl& url) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const VaultContentRowModel& rowModel(int row) const;

    QList<VaultContentItem> items_;
    mutable std::vector<std::optional<VaultContentRowModel>> rowModels_;
    QIcon folderIcon_;
    QIcon documentIcon_;
    QFont digits_;
};

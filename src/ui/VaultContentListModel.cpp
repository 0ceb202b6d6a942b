#include "ui/VaultContentListModel.h"

#include "ui/KovaraIcons.h"

#include <QFontDatabase>

VaultContentListModel::VaultContentListModel(QObject* parent)
    : QAbstractTableModel(parent)
    , folderIcon_(KovaraIcons::icon(KovaraIcons::folder))
    , documentIcon_(KovaraIcons::icon(KovaraIcons::document))
    , digits_(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{
}

void VaultContentListModel::setItems(QList<VaultContentItem> items)
{
    beginResetModel();
    items_ = std::move(items);
    rowModels_.assign(static_cast<std::size_t>(items_.size()), std::nullopt);
    endResetModel();
}

int VaultContentListModel::rowOf(const QUrl& url) const
{
    for (qsizetype row = 0; row < items_.size(); ++row) {
        if (items_.at(row).url == url) {
            return int(row);
        }
    }
    return -1;
}

int VaultContentListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(items_.size());
}

int VaultContentListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnTotal;
}

const VaultContentRowModel& VaultContentListModel::rowModel(int row) const
{
    std::optional<VaultContentRowModel>& made = rowModels_[static_cast<std::size_t>(row)];
    if (!made) {
        made = VaultContentRowModel::make(items_.at(row));
    }
    return *made;
}

QVariant VaultContentListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= items_.size()) {
        return {};
    }
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: {
        const VaultContentRowModel& row = rowModel(index.row());
        return column == nameColumn ? row.name : column == sizeColumn ? row.sizeText : row.dateText;
    }
    case Qt::DecorationRole:
        if (column == nameColumn) {
            return items_.at(index.row()).isNavigableFolder() ? folderIcon_ : documentIcon_;
        }
        break;
    // A long name is elided in its column; the tooltip shows it whole.
    case Qt::ToolTipRole:
        if (column == nameColumn) {
            return items_.at(index.row()).name;
        }
        break;
    case Qt::AccessibleTextRole:
        if (column == nameColumn) {
            return rowModel(index.row()).accessibleText;
        }
        break;
    case Qt::TextAlignmentRole:
        if (column == sizeColumn) {
            return (Qt::AlignRight | Qt::AlignVCenter).toInt();
        }
        break;
    case Qt::FontRole:
        if (column == sizeColumn) {
            return digits_;
        }
        break;
    default:
        break;
    }
    return {};
}

QVariant VaultContentListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case nameColumn:
        return QStringLiteral("Nome");
    case sizeColumn:
        return QStringLiteral("Tamanho");
    case dateColumn:
        return QStringLiteral("Modificado");
    default:
        return {};
    }
}

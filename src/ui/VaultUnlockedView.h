#pragma once

#include "content/VaultContentItem.h"
#include "model/Vault.h"

#include <QList>
#include <QUrl>
#include <QWidget>

#include <optional>

class ElidedLabel;
class QLabel;
class QStackedWidget;
class QTreeView;
class VaultContentListModel;
class VaultStore;

// The screen of an unlocked vault: a header with the vault's name and the encryption badge, then
// its top-level items (or, while it is empty, an invitation to add some). Items open on
// double-click or Return; their context menu opens, reveals or trashes them. Files and folders
// dropped here are copied in. The items are a model shown by one view, so a vault of tens of
// thousands of items fills the list without one widget per row.
class VaultUnlockedView : public QWidget
{
    Q_OBJECT

public:
    explicit VaultUnlockedView(VaultStore& store, QWidget* parent = nullptr);

    void display(const Vault& vault);
    // The selected row's item, if it is still listed.
    std::optional<VaultContentItem> selectedItem() const;

signals:
    void addItemsRequested();
    void trashRequested(const VaultContentItem& item);
    void itemsDropped(const QList<QUrl>& urls);
    void selectedItemChanged();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void showContent();
    void showContextMenu(const QPoint& position);
    void open(const VaultContentItem& item);

    VaultStore& store_;
    Vault vault_;
    ElidedLabel* name_;
    QStackedWidget* body_;
    QWidget* emptyState_;
    VaultContentListModel* model_;
    QTreeView* items_;
};

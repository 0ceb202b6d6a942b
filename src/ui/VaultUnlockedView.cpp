#include "ui/VaultUnlockedView.h"

#include "store/VaultStore.h"
#include "ui/CapacityMeter.h"
#include "ui/ContextMenuKeys.h"
#include "ui/ElidedLabel.h"
#include "ui/IconLabel.h"
#include "ui/KovaraIcons.h"
#include "ui/TextStyle.h"
#include "ui/VaultContentListModel.h"
#include "ui/VaultContentRowModel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int headerIconSize = 32;
constexpr int emptyIconSize = 56;
constexpr int rowIconSize = 20;

QList<QUrl> localFileURLs(const QMimeData* data)
{
    QList<QUrl> urls;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            urls.append(url);
        }
    }
    return urls;
}

// The badge that says how the vault is encrypted, in the accent colour of the palette in use.
QWidget* encryptionBadge(QWidget* parent)
{
    auto* badge = new QLabel(QStringLiteral("AES-256"), parent);
    TextStyle::emphasize(badge, 1.0, QFont::DemiBold);
    badge->setForegroundRole(QPalette::Highlight);
    auto* box = new QWidget(parent);
    auto* icon = new IconLabel(KovaraIcons::icon(KovaraIcons::shield), 16, box);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(icon);
    layout->addWidget(badge);
    box->setAccessibleName(QStringLiteral("AES-256"));
    return box;
}

} // namespace

VaultUnlockedView::VaultUnlockedView(VaultStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , name_(new ElidedLabel(this))
    , body_(new QStackedWidget(this))
    , emptyState_(new QWidget(this))
    , model_(new VaultContentListModel(this))
    , items_(new QTreeView(this))
{
    // Header.
    auto* icon = new IconLabel(KovaraIcons::icon(KovaraIcons::unlocked), headerIconSize, this);
    TextStyle::emphasize(name_, 1.25);
    QLabel* caption = TextStyle::secondaryLabel(QStringLiteral("Desbloqueado · itens no nível principal"), this);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(name_);
    titles->addWidget(caption);
    titles->addWidget(new CapacityMeter(store_, this));
    auto* header = new QHBoxLayout;
    header->setContentsMargins(20, 16, 20, 12);
    header->setSpacing(12);
    header->addWidget(icon);
    header->addLayout(titles, 1);
    header->addWidget(encryptionBadge(this));

    // Empty state.
    auto* emptyIcon = new IconLabel(KovaraIcons::icon(KovaraIcons::pendingFolders), emptyIconSize, emptyState_);
    auto* emptyTitle = new QLabel(QStringLiteral("Cofre vazio"), emptyState_);
    TextStyle::emphasize(emptyTitle, 1.3);
    emptyTitle->setAlignment(Qt::AlignCenter);
    QLabel* emptyText = TextStyle::secondaryLabel(
        QStringLiteral("Adicione arquivos ou pastas. Os originais não serão removidos."), emptyState_, true);
    emptyText->setAlignment(Qt::AlignCenter);
    auto* addItems =
        new QPushButton(KovaraIcons::icon(KovaraIcons::addItems), QStringLiteral("Adicionar itens"), emptyState_);
    auto* emptyLayout = new QVBoxLayout(emptyState_);
    emptyLayout->setSpacing(10);
    emptyLayout->addStretch(3);
    emptyLayout->addWidget(emptyIcon, 0, Qt::AlignHCenter);
    emptyLayout->addWidget(emptyTitle);
    emptyLayout->addWidget(emptyText);
    emptyLayout->addSpacing(6);
    emptyLayout->addWidget(addItems, 0, Qt::AlignHCenter);
    emptyLayout->addStretch(4);

    // Item list.
    using Column = VaultContentListModel::Column;
    items_->setModel(model_);
    items_->setAccessibleName(QStringLiteral("Itens do cofre"));
    items_->setRootIsDecorated(false);
    items_->setItemsExpandable(false);
    items_->setUniformRowHeights(true);
    items_->setAllColumnsShowFocus(true);
    items_->setIconSize(QSize(rowIconSize, rowIconSize));
    items_->setSelectionMode(QAbstractItemView::SingleSelection);
    items_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The middle of a long name goes, so its start and its extension stay readable.
    items_->setTextElideMode(Qt::ElideMiddle);
    items_->setContextMenuPolicy(Qt::CustomContextMenu);
    items_->setFrameShape(QFrame::NoFrame);
    items_->header()->setStretchLastSection(false);
    items_->header()->setSectionResizeMode(Column::nameColumn, QHeaderView::Stretch);
    items_->header()->setSectionResizeMode(Column::sizeColumn, QHeaderView::ResizeToContents);
    items_->header()->setSectionResizeMode(Column::dateColumn, QHeaderView::ResizeToContents);
    // The size and date columns fit the rows in view, not every row of a long listing.
    items_->header()->setResizeContentsPrecision(0);
    items_->header()->setSectionsClickable(false);

    body_->addWidget(emptyState_);
    body_->addWidget(items_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(header);
    auto* bodyRow = new QHBoxLayout;
    bodyRow->setContentsMargins(12, 0, 12, 12);
    bodyRow->addWidget(body_);
    layout->addLayout(bodyRow, 1);
    setAcceptDrops(true);

    connect(addItems, &QPushButton::clicked, this, &VaultUnlockedView::addItemsRequested);
    connect(items_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &VaultUnlockedView::selectedItemChanged);
    connect(items_, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            open(model_->items().at(index.row()));
        }
    });
    connect(items_, &QTreeView::customContextMenuRequested, this, &VaultUnlockedView::showContextMenu);
    ContextMenuKeys::install(*items_);
    connect(&store_, &VaultStore::contentChanged, this, &VaultUnlockedView::showContent);
}

void VaultUnlockedView::display(const Vault& vault)
{
    vault_ = vault;
    name_->setFullText(vault.name);
    showContent();
}

std::optional<VaultContentItem> VaultUnlockedView::selectedItem() const
{
    const QModelIndex current = items_->currentIndex();
    if (!current.isValid() || !items_->selectionModel()->isRowSelected(current.row(), QModelIndex())) {
        return std::nullopt;
    }
    return model_->items().at(current.row());
}

void VaultUnlockedView::showContent()
{
    const QList<VaultContentItem>& content = store_.content();
    if (content == model_->items()) {
        return;
    }
    // The selection follows the item, identified by its location, through a new listing.
    const std::optional<VaultContentItem> selected = selectedItem();
    model_->setItems(content);
    if (const int row = selected ? model_->rowOf(selected->url) : -1; row >= 0) {
        items_->setCurrentIndex(model_->index(row, VaultContentListModel::nameColumn));
    }
    body_->setCurrentWidget(content.isEmpty() ? emptyState_ : static_cast<QWidget*>(items_));
    emit selectedItemChanged();
}

void VaultUnlockedView::showContextMenu(const QPoint& position)
{
    const QModelIndex clicked = items_->indexAt(position);
    if (!clicked.isValid()) {
        return;
    }
    items_->setCurrentIndex(clicked);
    const VaultContentItem item = model_->items().at(clicked.row());
    const QUuid vaultID = vault_.id;
    QMenu menu(this);
    menu.addAction(VaultContentRowModel::make(item).openTitle, this, [this, item] { open(item); });
    menu.addAction(QStringLiteral("Mostrar no gerenciador de arquivos"), this,
                   [this, item, vaultID] { store_.revealItem(item, vaultID); });
    menu.addSeparator();
    menu.addAction(KovaraIcons::icon(KovaraIcons::trash), QStringLiteral("Mover para a Lixeira"), this,
                   [this, item] { emit trashRequested(item); });
    menu.exec(items_->viewport()->mapToGlobal(position));
}

void VaultUnlockedView::open(const VaultContentItem& item)
{
    store_.openItem(item, vault_.id);
}

void VaultUnlockedView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!localFileURLs(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void VaultUnlockedView::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = localFileURLs(event->mimeData());
    if (urls.isEmpty()) {
        return;
    }
    // A copy, whatever the drag proposed: the originals stay where they are.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit itemsDropped(urls);
}

#include "ui/VaultSidebarView.h"

#include "store/VaultStore.h"
#include "ui/ContextMenuKeys.h"
#include "ui/KovaraBrand.h"
#include "ui/KovaraIcons.h"
#include "ui/VaultSidebarRow.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int vaultIDRole = Qt::UserRole;

// Narrow enough for the window to fit a small screen at twice the usual scale.
constexpr int sidebarMinimumWidth = 180;

QUuid vaultIDOf(const QListWidgetItem* item)
{
    return item ? item->data(vaultIDRole).toUuid() : QUuid();
}

} // namespace

VaultSidebarView::VaultSidebarView(VaultStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , list_(new QListWidget(this))
    , newVault_(new QPushButton(KovaraIcons::icon(KovaraIcons::add), QStringLiteral("Novo cofre"), this))
{
    auto* section = new QLabel(QStringLiteral("Cofres"), this);
    QFont sectionFont = section->font();
    sectionFont.setWeight(QFont::Bold);
    sectionFont.setPointSizeF(sectionFont.pointSizeF() * 0.9);
    section->setFont(sectionFont);
    section->setForegroundRole(QPalette::PlaceholderText);
    section->setContentsMargins(10, 10, 10, 2);

    // The column sits on the window's own colour.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    applyListStyle();
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A list laid out top to bottom keeps its rows' width when it only gets narrower; the rows
    // must follow the column as it is dragged narrower, so that a long name gives way.
    list_->viewport()->installEventFilter(this);
    list_->setAccessibleName(QStringLiteral("Cofres"));
    newVault_->setFlat(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(2);
    layout->addWidget(section);
    layout->addWidget(list_, 1);
    // Indented like the rows above it, rather than flush with the window's edge.
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(6, 0, 6, 0);
    footer->addWidget(newVault_, 0, Qt::AlignLeft);
    layout->addLayout(footer);
    setMinimumWidth(sidebarMinimumWidth);

    connect(newVault_, &QPushButton::clicked, this, &VaultSidebarView::createVaultRequested);
    // The selection rather than the current row: a screen reader selects a row without making it
    // current.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        const QUuid id = selected.isEmpty() ? QUuid() : vaultIDOf(selected.first());
        store_.selectVault(id.isNull() ? std::nullopt : std::optional<QUuid>(id));
    });
    connect(list_, &QListWidget::customContextMenuRequested, this, &VaultSidebarView::showContextMenu);
    ContextMenuKeys::install(*list_);
    // Space toggles the selected vault's lock, as a click on its toggle does.
    auto* toggle = new QShortcut(QKeySequence(Qt::Key_Space), list_);
    toggle->setContext(Qt::WidgetShortcut);
    connect(toggle, &QShortcut::activated, this, [this] {
        if (QListWidgetItem* item = list_->currentItem()) {
            const SidebarRowModel& model = static_cast<VaultSidebarRow*>(list_->itemWidget(item))->model();
            if (model.lockToggle && model.lockToggle->isEnabled) {
                emit actionRequested(model.vaultID, model.lockToggle->action);
            }
        }
    });

    // A row's state follows the catalogue, the sessions and the gate; every refresh passes the
    // gate, so its end redraws the rows even when no session changed.
    for (auto changed : {&VaultStore::vaultsChanged, &VaultStore::sessionsChanged, &VaultStore::isBusyChanged,
                         &VaultStore::busyVaultIDChanged, &VaultStore::statusChanged}) {
        connect(&store_, changed, this, &VaultSidebarView::reload);
    }
    connect(&store_, &VaultStore::selectedVaultIDChanged, this, &VaultSidebarView::showSelectedVault);
    reload();
}

QList<SidebarRowModel> VaultSidebarView::rowModels() const
{
    QList<SidebarRowModel> models;
    for (int index = 0; index < list_->count(); ++index) {
        models.append(static_cast<VaultSidebarRow*>(list_->itemWidget(list_->item(index)))->model());
    }
    return models;
}

void VaultSidebarView::reload()
{
    QList<SidebarRowModel> models;
    for (const Vault& vault : store_.vaults()) {
        models.append(
            SidebarRowModel::make(vault, store_.state(vault.id), store_.busyVaultID() == vault.id, store_.isBusy()));
    }
    const QList<SidebarRowModel> shown = rowModels();
    if (models == shown) {
        return;
    }
    const QSignalBlocker blocker(list_);
    // Rows are redrawn in place while the catalogue keeps its order, so the selection and the
    // scroll position survive state changes.
    const bool sameVaults =
        models.size() == list_->count() &&
        std::equal(models.cbegin(), models.cend(), shown.cbegin(),
                   [](const SidebarRowModel& a, const SidebarRowModel& b) { return a.vaultID == b.vaultID; });
    if (!sameVaults) {
        list_->clear();
        for (const SidebarRowModel& model : models) {
            auto* item = new QListWidgetItem(list_);
            item->setData(vaultIDRole, model.vaultID);
            auto* row = new VaultSidebarRow(list_);
            connect(row, &VaultSidebarRow::actionRequested, this, &VaultSidebarView::actionRequested);
            list_->setItemWidget(item, row);
        }
    }
    for (int index = 0; index < models.size(); ++index) {
        auto* row = static_cast<VaultSidebarRow*>(list_->itemWidget(list_->item(index)));
        const SidebarRowModel& model = models.at(index);
        row->display(model);
        list_->item(index)->setSizeHint(row->sizeHint());
        list_->item(index)->setData(Qt::AccessibleTextRole, model.name);
        list_->item(index)->setData(Qt::AccessibleDescriptionRole,
                                    model.progressLabel ? model.statusText + QStringLiteral(", ") + *model.progressLabel
                                                        : model.statusText);
    }
    showSelectedVault();
}

bool VaultSidebarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_->viewport() && event->type() == QEvent::Resize) {
        list_->doItemsLayout();
    }
    return QWidget::eventFilter(watched, event);
}

void VaultSidebarView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyListStyle();
    }
}

void VaultSidebarView::applyListStyle()
{
    // The selected row is a soft wash of the tint, which keeps the row's text readable on
    // light and dark; the row or the lock toggle with the keyboard focus is ringed in the tint.
    QColor selection = KovaraBrand::tint();
    selection.setAlphaF(0.22f);
    QColor hover = palette().color(QPalette::WindowText);
    hover.setAlphaF(0.06f);
    const auto rgba = [](const QColor& colour) {
        return QStringLiteral("rgba(%1, %2, %3, %4)")
            .arg(colour.red())
            .arg(colour.green())
            .arg(colour.blue())
            .arg(colour.alphaF());
    };
    list_->setStyleSheet(QStringLiteral("QListWidget { background: transparent; border: none; outline: 0; }"
                                        "QListWidget::item { border-radius: 6px; margin: 1px 6px; }"
                                        "QListWidget::item:selected { background: %1; }"
                                        "QListWidget::item:hover:!selected { background: %2; }"
                                        "QListWidget::item:focus { border: 2px solid %3; }"
                                        "QToolButton:focus { border: 2px solid %3; border-radius: 4px; }")
                             .arg(rgba(selection), rgba(hover), KovaraBrand::accent(palette()).name()));
}

void VaultSidebarView::showSelectedVault()
{
    const QSignalBlocker blocker(list_);
    const std::optional<QUuid> selected = store_.selectedVaultID();
    for (int index = 0; index < list_->count(); ++index) {
        if (selected && vaultIDOf(list_->item(index)) == *selected) {
            list_->setCurrentRow(index);
            return;
        }
    }
    list_->setCurrentRow(-1);
}

std::optional<SidebarRowModel> VaultSidebarView::selectedRowModel() const
{
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<VaultSidebarRow*>(list_->itemWidget(selected.first()))->model();
}

void VaultSidebarView::showContextMenu(const QPoint& position)
{
    QListWidgetItem* item = list_->itemAt(position);
    if (!item) {
        return;
    }
    const SidebarRowModel model = static_cast<VaultSidebarRow*>(list_->itemWidget(item))->model();
    const QUuid vaultID = model.vaultID;
    QMenu menu(this);
    menu.setToolTipsVisible(true);
    for (const SidebarRowModel::MenuEntry& entry : model.menu) {
        if (entry.startsGroup) {
            menu.addSeparator();
        }
        const SidebarRowModel::Action action = entry.action;
        QAction* added =
            menu.addAction(entry.title, this, [this, vaultID, action] { emit actionRequested(vaultID, action); });
        added->setEnabled(entry.isEnabled);
        added->setToolTip(entry.hint);
    }
    menu.exec(list_->viewport()->mapToGlobal(position));
}

#include "ui/VaultSidebarView.h"

#include "store/VaultStore.h"
#include "ui/KovaraBrand.h"
#include "ui/KovaraIcons.h"
#include "ui/VaultSidebarRow.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int vaultIDRole = Qt::UserRole;

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

    // The column sits on the window's own colour; the selected row is a soft wash of the tint,
    // which keeps the row's dark text readable.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    QColor selection = KovaraBrand::tint();
    selection.setAlphaF(0.22f);
    list_->setStyleSheet(QStringLiteral("QListWidget { background: transparent; border: none; outline: 0; }"
                                        "QListWidget::item { border-radius: 6px; margin: 1px 6px; }"
                                        "QListWidget::item:selected { background: rgba(%1, %2, %3, %4); }"
                                        "QListWidget::item:hover:!selected { background: rgba(0, 0, 0, 0.05); }")
                             .arg(selection.red())
                             .arg(selection.green())
                             .arg(selection.blue())
                             .arg(selection.alphaF()));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    setMinimumWidth(220);

    connect(newVault_, &QPushButton::clicked, this, &VaultSidebarView::createVaultRequested);
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* current) {
        const QUuid id = vaultIDOf(current);
        store_.selectVault(id.isNull() ? std::nullopt : std::optional<QUuid>(id));
    });
    connect(list_, &QListWidget::customContextMenuRequested, this, &VaultSidebarView::showContextMenu);

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
        models.append(SidebarRowModel::make(vault, store_.state(vault.id), store_.busyVaultID() == vault.id,
                                            store_.isBusy()));
    }
    const QList<SidebarRowModel> shown = rowModels();
    if (models == shown) {
        return;
    }
    const QSignalBlocker blocker(list_);
    // Rows are redrawn in place while the catalogue keeps its order, so the selection and the
    // scroll position survive state changes.
    const bool sameVaults = models.size() == list_->count()
        && std::equal(models.cbegin(), models.cend(), shown.cbegin(),
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
        row->display(models.at(index));
        list_->item(index)->setSizeHint(row->sizeHint());
        list_->item(index)->setData(Qt::AccessibleTextRole, models.at(index).name);
    }
    showSelectedVault();
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

void VaultSidebarView::showContextMenu(const QPoint& position)
{
    QListWidgetItem* item = list_->itemAt(position);
    if (!item) {
        return;
    }
    const SidebarRowModel model = static_cast<VaultSidebarRow*>(list_->itemWidget(item))->model();
    QMenu menu(this);
    for (const SidebarRowModel::MenuEntry& entry : model.menu) {
        if (entry.startsGroup) {
            menu.addSeparator();
        }
        const SidebarRowModel::Action action = entry.action;
        const QUuid vaultID = model.vaultID;
        menu.addAction(entry.title, this, [this, vaultID, action] { emit actionRequested(vaultID, action); });
    }
    menu.exec(list_->viewport()->mapToGlobal(position));
}

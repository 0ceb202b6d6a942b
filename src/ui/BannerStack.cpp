#include "ui/BannerStack.h"

#include "finder/FinderImportCoordinator.h"
#include "store/VaultStore.h"
#include "ui/ActivityIndicator.h"
#include "ui/IconLabel.h"
#include "ui/KovaraIcons.h"
#include "ui/NoticeBannerModel.h"
#include "ui/OperationBannerModel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int bannerIconSize = 20;

QFrame* makeBanner(QWidget* parent)
{
    auto* banner = new QFrame(parent);
    banner->setObjectName(QStringLiteral("banner"));
    auto* layout = new QHBoxLayout(banner);
    layout->setContentsMargins(12, 8, 8, 8);
    layout->setSpacing(10);
    banner->hide();
    return banner;
}

} // namespace

BannerStack::BannerStack(VaultStore& store, FinderImportCoordinator& finderImport, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , finderImport_(finderImport)
    , operation_(makeBanner(this))
    , operationTitle_(new QLabel(operation_))
    , operationPercentage_(new QLabel(operation_))
    , operationBytes_(new QLabel(operation_))
    , operationCancel_(new QPushButton(QStringLiteral("Cancelar"), operation_))
    , pendingFinder_(makeBanner(this))
    , notice_(makeBanner(this))
    , noticeIcon_(new IconLabel(QIcon(), bannerIconSize, notice_))
    , noticeMessage_(new QLabel(notice_))
{
    // Operation: indicator, title and percentage over the byte line, and the cancel button.
    QFont semibold = operationTitle_->font();
    semibold.setWeight(QFont::DemiBold);
    operationTitle_->setFont(semibold);
    operationPercentage_->setForegroundRole(QPalette::PlaceholderText);
    operationBytes_->setForegroundRole(QPalette::PlaceholderText);
    operationCancel_->setToolTip(QStringLiteral("Cancelar operação em andamento"));
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(operationTitle_);
    titleRow->addWidget(operationPercentage_);
    titleRow->addStretch();
    auto* operationText = new QVBoxLayout;
    operationText->setSpacing(2);
    operationText->addLayout(titleRow);
    operationText->addWidget(operationBytes_);
    auto* operationLayout = static_cast<QHBoxLayout*>(operation_->layout());
    operationLayout->addWidget(new ActivityIndicator(16, operation_));
    operationLayout->addLayout(operationText, 1);
    operationLayout->addWidget(operationCancel_);
    connect(operationCancel_, &QPushButton::clicked, this, [this] { store_.cancelActiveOperation(); });

    // Pending folders from the file manager.
    auto* pendingLayout = static_cast<QHBoxLayout*>(pendingFinder_->layout());
    pendingLayout->addWidget(
        new IconLabel(KovaraIcons::icon(KovaraIcons::pendingFolders), bannerIconSize, pendingFinder_));
    auto* pendingText =
        new QLabel(QStringLiteral("Há itens do gerenciador de arquivos aguardando destino."), pendingFinder_);
    pendingText->setWordWrap(true);
    pendingLayout->addWidget(pendingText, 1);
    auto* resume = new QPushButton(QStringLiteral("Continuar"), pendingFinder_);
    pendingLayout->addWidget(resume);
    connect(resume, &QPushButton::clicked, this, [this] { finderImport_.presentPendingRequest(); });

    // Notice.
    noticeMessage_->setWordWrap(true);
    noticeMessage_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* close = new QToolButton(notice_);
    close->setIcon(KovaraIcons::icon(KovaraIcons::close));
    close->setAutoRaise(true);
    close->setAccessibleName(QStringLiteral("Fechar aviso"));
    close->setToolTip(QStringLiteral("Fechar aviso"));
    auto* noticeLayout = static_cast<QHBoxLayout*>(notice_->layout());
    noticeLayout->addWidget(noticeIcon_, 0, Qt::AlignTop);
    noticeLayout->addWidget(noticeMessage_, 1);
    noticeLayout->addWidget(close, 0, Qt::AlignTop);
    connect(close, &QToolButton::clicked, this, [this] { store_.clearNotice(); });

    applyBannerStyle();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 0);
    layout->setSpacing(8);
    layout->addWidget(operation_);
    layout->addWidget(pendingFinder_);
    layout->addWidget(notice_);

    connect(&store_, &VaultStore::activeOperationChanged, this, &BannerStack::showOperation);
    connect(&store_, &VaultStore::noticeMessageChanged, this, &BannerStack::showNotice);
    connect(&finderImport_, &FinderImportCoordinator::requestChanged, this, &BannerStack::showPendingFinderRequest);
    connect(&finderImport_, &FinderImportCoordinator::isPresentedChanged, this, &BannerStack::showPendingFinderRequest);
    connect(&store_, &VaultStore::isBusyChanged, this, &BannerStack::showPendingFinderRequest);
    showOperation();
    showPendingFinderRequest();
    showNotice();
}

void BannerStack::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyBannerStyle();
    }
}

void BannerStack::applyBannerStyle()
{
    // A style sheet takes the palette's colours when it is set, not when they change: it is set
    // again with each palette, on the banners alone, so that this widget keeps following the
    // application's palette.
    const QString style =
        QStringLiteral("QFrame#banner { background: %1; border: 1px solid %2; border-radius: 8px; }")
            .arg(palette().color(QPalette::AlternateBase).name(), palette().color(QPalette::Midlight).name());
    for (QFrame* banner : {operation_, pendingFinder_, notice_}) {
        banner->setStyleSheet(style);
    }
}

void BannerStack::showOperation()
{
    const auto& operation = store_.activeOperation();
    if (!operation) {
        operation_->hide();
        return;
    }
    const OperationBannerModel model = OperationBannerModel::make(*operation, store_.canCancelActiveOperation());
    operationTitle_->setText(model.title);
    operationPercentage_->setText(model.percentageText.value_or(QString()));
    operationPercentage_->setVisible(model.percentageText.has_value());
    operationBytes_->setText(model.byteLine.value_or(QString()));
    operationBytes_->setVisible(model.byteLine.has_value());
    operationCancel_->setVisible(model.showsCancel);
    operation_->show();
}

void BannerStack::showPendingFinderRequest()
{
    // While an operation runs (the request's own import among them) nothing can be added, and
    // the operation's banner says what is happening; what is left waits for it to end.
    pendingFinder_->setVisible(finderImport_.request().has_value() && !finderImport_.isPresented() && !store_.isBusy());
}

void BannerStack::showNotice()
{
    const auto& message = store_.noticeMessage();
    if (!message) {
        notice_->hide();
        return;
    }
    const NoticeBannerModel model = NoticeBannerModel::make(*message);
    noticeIcon_->setIcon(KovaraIcons::icon(model.iconName));
    noticeMessage_->setText(model.message);
    notice_->show();
}

#include "ui/CapacityMeter.h"

#include "store/VaultStore.h"
#include "ui/ByteCountFormat.h"
#include "ui/TextStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace {

constexpr qint64 gigabyte = qint64{1} << 30;
constexpr int fullScale = 1000;
constexpr int barWidth = 120;

QString capacityText(qint64 bytes)
{
    if (bytes > 0 && bytes % gigabyte == 0) {
        return QString::number(bytes / gigabyte) + QStringLiteral(" GB");
    }
    return ByteCountFormat::text(bytes);
}

} // namespace

CapacityMeter::CapacityMeter(VaultStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , text_(TextStyle::secondaryLabel(QString(), this))
    , bar_(new QProgressBar(this))
{
    bar_->setRange(0, fullScale);
    bar_->setTextVisible(false);
    bar_->setFixedWidth(barWidth);
    bar_->setMaximumHeight(8);
    bar_->setAccessibleName(QStringLiteral("Espaço usado no cofre"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(bar_);
    layout->addWidget(text_, 1);
    connect(&store_, &VaultStore::selectedCapacityChanged, this, &CapacityMeter::showCapacity);
    showCapacity();
}

QString CapacityMeter::text(const VaultCapacity& capacity)
{
    return ByteCountFormat::text(capacity.usedBytes) + QStringLiteral(" de ") + capacityText(capacity.capacityBytes) +
           QStringLiteral(" usados");
}

int CapacityMeter::permille(const VaultCapacity& capacity)
{
    if (capacity.capacityBytes <= 0) {
        return fullScale;
    }
    const double share = static_cast<double>(capacity.usedBytes) / static_cast<double>(capacity.capacityBytes);
    return std::clamp(static_cast<int>(share * fullScale), 0, fullScale);
}

void CapacityMeter::showCapacity()
{
    const std::optional<VaultCapacity>& capacity = store_.selectedCapacity();
    setVisible(capacity.has_value());
    if (!capacity) {
        return;
    }
    text_->setText(text(*capacity));
    bar_->setValue(permille(*capacity));
    bar_->setAccessibleDescription(text(*capacity));
}

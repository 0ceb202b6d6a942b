#pragma once

#include "system/VaultCapacity.h"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QProgressBar;
class VaultStore;

// The selected vault's use against its capacity, "120 MB de 1 GB usados" beside a bar, kept up
// to date from the store. Hidden while the figures are unknown.
class CapacityMeter : public QWidget
{
    Q_OBJECT

public:
    explicit CapacityMeter(VaultStore& store, QWidget* parent = nullptr);

    // The line shown for `capacity`. The capacity is given in whole gigabytes when it is one, as
    // the user chose it at creation (1 GB means 2^30 bytes there); the use in decimal units.
    static QString text(const VaultCapacity& capacity);
    // Tenths of a percent used, 0 to 1000.
    static int permille(const VaultCapacity& capacity);

private:
    void showCapacity();

    VaultStore& store_;
    QLabel* text_;
    QProgressBar* bar_;
};

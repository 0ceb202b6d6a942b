#pragma once

#include <QObject>
#include <QSettings>

#include <array>

// When vaults lock by themselves, as chosen in the Kovara menu and kept between runs: when the
// desktop session locks, before the machine sleeps, and after sitting idle.
class AutomaticLockSettings : public QObject
{
    Q_OBJECT

public:
    // The idle times offered, in minutes; 0 is "Nunca".
    static constexpr std::array<int, 5> idleChoices{0, 5, 15, 30, 60};

    explicit AutomaticLockSettings(QObject* parent = nullptr);

    // Both on unless the user turned them off.
    bool locksWithScreen() const;
    void setLocksWithScreen(bool locks);
    bool locksBeforeSleep() const;
    void setLocksBeforeSleep(bool locks);
    // 15 unless another offered choice was made.
    int idleMinutes() const;
    void setIdleMinutes(int minutes);

signals:
    void changed();

private:
    void write(const QString& key, const QVariant& value);

    QSettings settings_;
};

#pragma once

#include "system/FinderImportDiskServicing.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <stop_token>
#include <utility>
#include <variant>

// A scripted stand-in for the disk-image service in the store's tests. Each operation answers
// with its next queued outcome, else with its standing outcome (by default: nothing mounted, an
// empty report, success); every call is recorded in order. While held, operations suspend before
// answering, so a test can act while one is in flight.
class FakeFinderImportDiskService : public QObject, public FinderImportDiskServicing
{
    Q_OBJECT

public:
    template <typename T>
    class Outcomes
    {
    public:
        void push(T value) { queued_.append(std::move(value)); }
        template <typename Error>
        void pushError(Error error)
        {
            queued_.append(std::make_exception_ptr(std::move(error)));
        }
        void setStanding(T value) { standing_ = std::move(value); }
        template <typename Error>
        void setStandingError(Error error)
        {
            standing_ = std::make_exception_ptr(std::move(error));
        }

        // The next outcome: its value, or its error thrown.
        T next()
        {
            const std::variant<T, std::exception_ptr> outcome = queued_.isEmpty() ? standing_ : queued_.takeFirst();
            if (const auto* failure = std::get_if<std::exception_ptr>(&outcome)) {
                std::rethrow_exception(*failure);
            }
            return std::get<T>(outcome);
        }

    private:
        QList<std::variant<T, std::exception_ptr>> queued_;
        std::variant<T, std::exception_ptr> standing_ = T{};
    };

    struct Call
    {
        QString operation;  // the operation's name, e.g. "attach"
        QList<Vault> vaults;
        Vault vault;
        QString password;
        std::stop_token cancellation;
        VaultSession session;
        QUrl mountPoint;
        bool force = false;
    };

    Outcomes<QHash<QUuid, VaultSession>> mountedSessionsOutcomes;
    Outcomes<std::pair<VaultSession, MountProtectionReport>> attachOutcomes;
    Outcomes<MountProtectionReport> protectExistingMountOutcomes;
    Outcomes<std::monostate> detachOutcomes;
    Outcomes<std::monostate> forceDetachOutcomes;
    Outcomes<QList<MountedDiskImage>> mountedImagesInStorageOutcomes;
    Outcomes<std::monostate> ejectOutcomes;

    QList<Call> calls;
    QStringList operations() const;

    void hold();
    void release();

    QCoro::Task<QHash<QUuid, VaultSession>> mountedSessions(QList<Vault> vaults) override;
    QCoro::Task<std::pair<VaultSession, MountProtectionReport>> attach(Vault vault, QString password,
                                                                       std::stop_token cancellation) override;
    QCoro::Task<MountProtectionReport> protectExistingMount(VaultSession session) override;
    QCoro::Task<void> detach(VaultSession session) override;
    QCoro::Task<void> forceDetach(VaultSession session) override;
    QCoro::Task<QList<MountedDiskImage>> mountedImagesInStorage() override;
    QCoro::Task<void> eject(QUrl mountPoint, bool force) override;

Q_SIGNALS:
    void released();

private:
    Call& record(const QString& operation);
    QCoro::Task<void> waitWhileHeld();

    bool held_ = false;
};

#pragma once

#include "system/FinderImportDiskServicing.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotimer.h>

#include <chrono>
#include <exception>
#include <stop_token>
#include <utility>
#include <variant>

// A scripted disk-image service for the store's tests. Each operation answers with its next
// queued outcome, else with its standing outcome (by default: nothing mounted, an empty report,
// success); every call is recorded in order. While held, operations wait before answering, so a
// test can act while one is in flight.
class FakeFinderImportDiskService : public FinderImportDiskServicing
{
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

    // What an operation without a result answers (QCoro's own task state holds a std::monostate).
    struct Done
    {
    };

    struct Call
    {
        // Every member has an initializer, so a call names only what it has.
        QString operation{}; // "attach", "eject", ...
        Vault vault{};
        QString password{};
        VaultSession session{};
        QUrl mountPoint{};
        bool force = false;
    };

    Outcomes<QHash<QUuid, VaultSession>> mountedSessionsOutcomes;
    Outcomes<std::pair<VaultSession, MountProtectionReport>> attachOutcomes;
    Outcomes<MountProtectionReport> protectExistingMountOutcomes;
    Outcomes<Done> detachOutcomes;
    Outcomes<Done> forceDetachOutcomes;
    Outcomes<QList<MountedDiskImage>> mountedImagesInStorageOutcomes;
    Outcomes<Done> ejectOutcomes;
    // By default an ejected mount point is still in the mount table, so the store asks again.
    Outcomes<bool> leftMountTableOutcomes;
    Outcomes<bool> stillMountedOutcomes;
    // By default the mount table may hold a volume the store does not know, so unlocking asks.
    Outcomes<bool> mountTableHoldsOnlyOutcomes;
    // The stop of each capacity measurement, in order; while held, a measurement runs until stopped.
    QList<std::stop_token> capacityStops;
    bool capacityHeld = false;
    // Not recorded among the calls. By default a vault with room for anything a test copies.
    Outcomes<VaultCapacity> capacityOutcomes = [] {
        Outcomes<VaultCapacity> roomy;
        roomy.setStanding(VaultCapacity{qint64{1} << 50, 0});
        return roomy;
    }();

    QList<Call> calls;
    QStringList operations() const
    {
        QStringList names;
        for (const Call& call : calls) {
            names.append(call.operation);
        }
        return names;
    }

    bool held = false;
    // An attach that makes no progress: it waits until released or stopped, and a stop ends it
    // as the process runner does.
    bool attachHangs = false;

    QCoro::Task<QHash<QUuid, VaultSession>> mountedSessions(QList<Vault>) override
    {
        calls.append({.operation = "mountedSessions"});
        co_return co_await answer(mountedSessionsOutcomes);
    }
    QCoro::Task<std::pair<VaultSession, MountProtectionReport>> attach(Vault vault, QString password,
                                                                       std::stop_token stop) override
    {
        // A copy of its own: the store wipes the buffer it shares once the operation ends.
        calls.append(
            {.operation = "attach", .vault = vault, .password = QString(password.constData(), password.size())});
        while (attachHangs) {
            if (stop.stop_requested()) {
                throw VaultError(VaultError::Kind::operationCancelled);
            }
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        }
        co_return co_await answer(attachOutcomes);
    }
    QCoro::Task<MountProtectionReport> protectExistingMount(VaultSession session) override
    {
        calls.append({.operation = "protectExistingMount", .session = session});
        co_return co_await answer(protectExistingMountOutcomes);
    }
    QCoro::Task<void> detach(VaultSession session) override
    {
        calls.append({.operation = "detach", .session = session});
        co_await answer(detachOutcomes);
    }
    QCoro::Task<void> forceDetach(VaultSession session) override
    {
        calls.append({.operation = "forceDetach", .session = session});
        co_await answer(forceDetachOutcomes);
    }
    QCoro::Task<QList<MountedDiskImage>> mountedImagesInStorage() override
    {
        calls.append({.operation = "mountedImagesInStorage"});
        co_return co_await answer(mountedImagesInStorageOutcomes);
    }
    QCoro::Task<void> eject(QUrl mountPoint, bool force, std::stop_token) override
    {
        calls.append({.operation = "eject", .mountPoint = mountPoint, .force = force});
        co_await answer(ejectOutcomes);
    }

    bool hasLeftMountTable(const QUrl& mountPoint) override
    {
        calls.append({.operation = "hasLeftMountTable", .mountPoint = mountPoint});
        return leftMountTableOutcomes.next();
    }
    // A query of the mount table, not a tool run: not recorded among the calls.
    bool isStillMounted(const VaultSession&) override { return stillMountedOutcomes.next(); }
    bool mountTableHoldsOnly(const QList<VaultSession>&) override { return mountTableHoldsOnlyOutcomes.next(); }
    QCoro::Task<VaultCapacity> capacity(Vault, std::stop_token cancellation) override
    {
        capacityStops.append(cancellation);
        while (capacityHeld && !cancellation.stop_requested()) {
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        }
        co_return co_await answer(capacityOutcomes);
    }

private:
    template <typename T>
    QCoro::Task<T> answer(Outcomes<T>& outcomes)
    {
        while (held) {
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        }
        co_return outcomes.next();
    }
};

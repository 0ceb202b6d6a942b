#pragma once

#include <QString>
#include <QUrl>

// What one update check found, with the texts the dialog shows for it.
struct UpdateCheckResult
{
    enum class Outcome {
        updateAvailable,
        upToDate,
        failed
    };

    Outcome outcome = Outcome::failed;
    QString currentVersion;
    // The newest version the feed announces (its display form); empty when the check failed.
    QString availableVersion;
    // Where the newer version is downloaded; empty when there is none or it is not secure.
    QUrl downloadURL;
    // Why the check failed, as a sentence for the user.
    QString failureReason;

    static UpdateCheckResult failure(const QString& currentVersion, const QString& reason);

    QString title() const;
    QString message() const;

    bool operator==(const UpdateCheckResult&) const = default;
};

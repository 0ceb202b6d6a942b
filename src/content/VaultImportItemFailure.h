#pragma once

#include <QString>
#include <QUrl>

// A source that an import did not copy, with the user-facing reason.
struct VaultImportItemFailure
{
    QUrl sourceURL;
    QString message;

    bool operator==(const VaultImportItemFailure&) const = default;
};

#pragma once

#include "system/VaultCheckReport.h"

#include <QString>

// What the report of a vault check says: a title and the message under it, ended by what to do
// when something is damaged.
struct VaultCheckReportText
{
    QString title;
    QString message;

    static VaultCheckReportText make(const QString& vaultName, const VaultCheckReport& report);
};

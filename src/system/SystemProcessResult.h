#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// What a tool run produced. `run` returns a result only when neither stream was truncated.
struct SystemProcessResult
{
    std::int32_t terminationStatus = 0;
    QByteArray standardOutput;
    QByteArray standardError;
    bool outputWasTruncated = false;
    bool errorWasTruncated = false;

    // The tool's own message, cleaned: standard error (else standard output), deprecation warning
    // lines dropped, trimmed, cut at 1000 characters with "…", marked when a stream was truncated.
    QString diagnostic() const;
};

#pragma once

#include "model/VaultOperationState.h"

#include <QString>

#include <cstdint>
#include <optional>

// The banner over the detail pane while a create or import runs.
struct OperationBannerModel
{
    QString title;
    // "42%", once the total is known.
    std::optional<QString> percentageText;
    // The bytes copied so far, once copying has begun.
    std::optional<QString> byteLine;
    bool showsCancel = false;

    static OperationBannerModel make(const VaultOperationState& operation, bool canCancel);

    // "1,2 MB copiados · total ainda sendo calculado", "Nenhum dado de arquivo para copiar" or
    // "1,2 MB de 3,4 MB".
    static QString byteProgressText(std::int64_t completedBytes, std::optional<std::int64_t> totalBytes);

    bool operator==(const OperationBannerModel&) const = default;
};

#pragma once

#include "content/VaultContentServicing.h"
#include "content/VaultFileCopyEngine.h"
#include "platform/SerialExecutor.h"

// The only component that looks inside an unlocked vault: it lists the volume's top level, moves
// listed items to the volume's Trash, and imports sources through the staging folder
// ".kovara-staging", so that a failed or cancelled import never leaves a half item under a final
// name. Its file-system work runs on its own worker ("com.kovara.content"); data is copied by
// its VaultFileCopyEngine on the engine's worker.
class VaultContentService final : public VaultContentServicing
{
public:
    VaultContentService();

    QCoro::Task<QList<VaultContentItem>> listTopLevelItems(QUrl mountPoint) override;
    QCoro::Task<void> trashItem(VaultContentItem item, QUrl mountPoint) override;
    QCoro::Task<void> removeStagingLeftovers(QUrl mountPoint) override;
    QCoro::Task<VaultCopyPreflight> copyPreflight(QList<QUrl> sources, std::stop_token cancellation) override;

    // Measures every source first (refusing, before anything is copied, a source that is missing,
    // is "/", or is, lies in or contains the vault), then for each item in turn: copies it into
    // its own folder under ".kovara-staging", and only when the copy is whole moves it to the
    // vault's root under the first free name ("Report.pdf", "Report 2.pdf", ...; never replacing
    // an entry). Items committed before a failure stay; the failing item's staging folder is
    // removed; item folders left by earlier interrupted imports are removed before anything is
    // copied. Progress reports go preparing, preparing, then copying/committing per item, then
    // completed.
    QCoro::Task<QList<QUrl>> addItems(QList<QUrl> sources, QUrl mountPoint,
                                      std::function<void(VaultCopyProgress)> progress,
                                      std::stop_token cancellation) override;

private:
    SerialExecutor worker_;
    VaultFileCopyEngine engine_;
};

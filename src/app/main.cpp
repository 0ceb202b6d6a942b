#include "app/FinderWorkspaceService.h"
#include "app/KovaraApp.h"
#include "content/VaultContentService.h"
#include "model/KovaraPaths.h"
#include "store/VaultStore.h"
#include "system/DiskImageService.h"
#include "system/SystemProcessRunner.h"

#include <QApplication>

#include <memory>

namespace {

// The store and the services it holds by reference, built and destroyed together.
struct LiveStore
{
    explicit LiveStore(const KovaraPaths& paths)
        : diskImageService(paths, runner)
        , store(paths, diskImageService, diskImageService, contentService, finderWorkspace)
    {
    }

    SystemProcessRunner runner;
    DiskImageService diskImageService;
    VaultContentService contentService;
    FinderWorkspaceService finderWorkspace;
    VaultStore store;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    KovaraApp::configure(application);
    KovaraApp kovara([] {
        const auto live = std::make_shared<LiveStore>(KovaraPaths::live());
        // Shares ownership of the whole set while pointing at its store.
        return std::shared_ptr<VaultStore>(live, &live->store);
    });
    return kovara.run(QApplication::arguments().mid(1));
}

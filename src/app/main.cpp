#include "app/FinderWorkspaceService.h"
#include "app/KovaraApp.h"
#include "model/KovaraPaths.h"
#include "store/VaultStore.h"

#include <QApplication>

#include <memory>

namespace {

// The store and the file manager it holds by reference, built and destroyed together. The store
// makes its own process runner, disk-image and content services.
struct LiveStore
{
    explicit LiveStore(const KovaraPaths& paths) : store(paths, finderWorkspace) {}

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

#pragma once

#include "model/KovaraPaths.h"
#include "support/FakeFinderImportDiskService.h"
#include "support/FakeFinderWorkspace.h"
#include "support/FakeVaultContentService.h"
#include "system/DiskImageService.h"
#include "system/SystemProcessRunner.h"

// The services a store runs on in its tests. What the store asks of the mounted world
// (discovery, attach, protection, detach), of the content and of the file manager is scripted;
// the disk-image service that prepares the storage folder and creates images is the real one,
// running the stand-in tools inside the test's temporary application folder.
class StoreTestServices
{
public:
    explicit StoreTestServices(const KovaraPaths& paths) : diskImageService(paths, runner) {}

    SystemProcessRunner runner;
    DiskImageService diskImageService;
    FakeFinderImportDiskService disk;
    FakeVaultContentService content;
    FakeFinderWorkspace finderWorkspace;
};

#pragma once

#include <cstddef>

class DiskImageService;
class FinderImportDiskServicing;
class VaultContentServicing;
class FinderWorkspaceServicing;

// The store's constructor takes its services by reference, but its state, selection and gate
// never call them. Until the services' own test doubles exist, the tests of those parts hand
// the store references to inert storage that nothing reads or calls.
class StoreServicesPlaceholder
{
public:
    DiskImageService& diskImageService() { return placeholder<DiskImageService>(); }
    FinderImportDiskServicing& finderImportDiskService() { return placeholder<FinderImportDiskServicing>(); }
    VaultContentServicing& contentService() { return placeholder<VaultContentServicing>(); }
    FinderWorkspaceServicing& finderWorkspace() { return placeholder<FinderWorkspaceServicing>(); }

private:
    template <typename Service>
    Service& placeholder()
    {
        return *reinterpret_cast<Service*>(storage_);
    }

    alignas(std::max_align_t) std::byte storage_[sizeof(std::max_align_t)]{};
};

#pragma once

#include <string>
#include <vector>

// kovara-mdutil `-i off M` and `-d M`: desktop indexers do not look into these private FUSE
// mounts, so there is nothing to switch off; the command confirms that M is a mounted vault
// volume (exit 0) or says it is not (exit 1). The volume's ".metadata_never_index" marker is
// made by the app, not here.
class MdutilCommand
{
public:
    static int run(const std::vector<std::string>& arguments);
};

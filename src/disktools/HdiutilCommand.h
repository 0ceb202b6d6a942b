#pragma once

#include <string>
#include <vector>

#include <stop_token>

// kovara-hdiutil: create, attach, chpass, info and detach of vault images, and the verbs of
// ImageKeyRecovery, ImageVerification and ImageCapacity.
//
// `info [-plist]` lists every mounted gocryptfs volume (mounted by the app or by hand) as an
// "images" entry with "image-path" and "system-entities"; without -plist one line per volume.
// `detach [-force] M` unmounts the volume mounted at M (or with device entry M); without -force
// a volume in use is left mounted and the exit status is 16 with "Resource busy"; -force
// detaches it at once, files still open in it keep working until they are closed.
// Every other failure exits 1 with its reason on standard error.
class HdiutilCommand
{
public:
    static constexpr int resourceBusyStatus = 16;

    static int run(const std::vector<std::string>& arguments, std::stop_token stop);
};

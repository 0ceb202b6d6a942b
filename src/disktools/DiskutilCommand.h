#pragma once

#include <string>
#include <vector>

#include <stop_token>

// kovara-diskutil `eject M`: unmounts the vault volume mounted at M (or with device entry M)
// unless it is in use. A volume in use stays mounted and the command exits 1 with a message
// saying it is busy, followed by one line per process that holds it:
//     Volume "M" failed to eject: dissented by PID <pid> (<executable path>)
// Other failures exit 1 with their reason.
class DiskutilCommand
{
public:
    static int run(const std::vector<std::string>& arguments, std::stop_token stop);
};

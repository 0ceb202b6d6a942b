#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <stop_token>

// How much an image holds against how much it may hold.
//
// `imageinfo -plist PATH` prints, like macOS's hdiutil, a property list whose "Size Information"
// dictionary gives the capacity ("Total Bytes") and the space the encrypted data really takes on
// disk ("Total Non-Empty Bytes": the blocks allocated to the cipher folder's files and folders).
// `resize -size <N>g PATH` records a new capacity; it refuses one below what is in use (exit
// status belowUsageStatus) and leaves the image as it was on every failure.
class ImageCapacity
{
public:
    static constexpr int belowUsageStatus = 2;

    static int runInfo(const std::vector<std::string>& arguments, const std::stop_token& stop);
    static int runResize(const std::vector<std::string>& arguments, std::stop_token stop);

    // The bytes allocated on disk to `folder` and everything below it, without following links.
    // A vault of many files takes a while to walk, and the app stops a measurement it no longer
    // needs: a stop ends the walk with ToolFailure.
    static std::uint64_t allocatedBytes(const std::string& folder, const std::stop_token& stop);
};

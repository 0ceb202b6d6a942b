#pragma once

#include <cstdint>
#include <string>

// The Portuguese sentences for a tool run that produced no result, naming the tool by its display
// name. Free of Qt because both the app's errors and the disk-image tools' own helper runs use
// them, so a failure reads the same wherever it surfaces.
class ToolRunFailureText
{
public:
    // `detail`, the cause, follows the status when there is one.
    static std::string failed(const std::string& tool, std::int32_t status, const std::string& detail);
    static std::string timedOut(const std::string& tool);
    static std::string outputTooLarge(const std::string& tool);
    static std::string cancelled();
};

#pragma once

#include <string>
#include <string_view>

// What a stand-in prints. Its caller reads standard output for results (property lists) and
// standard error for the reason of a failure.
class ToolOutput
{
public:
    static void result(std::string_view bytes);
    static void resultLine(const std::string& line);
    static void failure(const std::string& message);
};

#include "posix/ChildProcessFailure.h"

#include "posix/ToolRunFailureText.h"

namespace {

std::string sentence(ChildProcessFailure::Kind kind, const std::string& displayName, std::int32_t terminationStatus,
                     const std::string& detail)
{
    switch (kind) {
    case ChildProcessFailure::Kind::cancelled:
        return ToolRunFailureText::cancelled();
    case ChildProcessFailure::Kind::failed:
        return ToolRunFailureText::failed(displayName, terminationStatus, detail);
    case ChildProcessFailure::Kind::timedOut:
        return ToolRunFailureText::timedOut(displayName);
    case ChildProcessFailure::Kind::outputTooLarge:
        return ToolRunFailureText::outputTooLarge(displayName);
    }
    return {};
}

} // namespace

ChildProcessFailure::ChildProcessFailure(Kind kind, const std::string& displayName, std::int32_t terminationStatus,
                                         std::string detail)
    : std::runtime_error(sentence(kind, displayName, terminationStatus, detail))
    , kind_(kind)
    , terminationStatus_(terminationStatus)
    , detail_(std::move(detail))
{
}

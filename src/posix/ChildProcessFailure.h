#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Why a ChildProcess run did not produce a result. what() is the complete Portuguese sentence the
// user reads, naming the program by its display name in the same words the app uses for its tools.
class ChildProcessFailure : public std::runtime_error
{
public:
    enum class Kind {
        cancelled,
        // terminationStatus is -1 when the program could not be started or its standard input
        // could not be sent; otherwise the program's own status, when its output could not be read
        // to the end. `detail` is the Portuguese text of the cause.
        failed,
        timedOut,
        outputTooLarge,
    };

    ChildProcessFailure(Kind kind, const std::string& displayName, std::int32_t terminationStatus = 0,
                        std::string detail = {});

    Kind kind() const { return kind_; }
    std::int32_t terminationStatus() const { return terminationStatus_; }
    const std::string& detail() const { return detail_; }

private:
    Kind kind_;
    std::int32_t terminationStatus_;
    std::string detail_;
};

#include "system/ChildProcessFailure.h"

namespace {

std::string sentence(ChildProcessFailure::Kind kind, const std::string& displayName, std::int32_t terminationStatus,
                     const std::string& detail)
{
    switch (kind) {
    case ChildProcessFailure::Kind::cancelled:
        return "A operação foi cancelada.";
    case ChildProcessFailure::Kind::failed:
        return displayName + " falhou com código " + std::to_string(terminationStatus) +
               (detail.empty() ? "." : ": " + detail);
    case ChildProcessFailure::Kind::timedOut:
        return displayName + " excedeu o tempo limite e foi interrompido.";
    case ChildProcessFailure::Kind::outputTooLarge:
        return displayName + " retornou dados demais e a operação foi interrompida com segurança.";
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

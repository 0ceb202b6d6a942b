#include "posix/ToolRunFailureText.h"

std::string ToolRunFailureText::failed(const std::string& tool, std::int32_t status, const std::string& detail)
{
    return tool + " falhou com código " + std::to_string(status) + (detail.empty() ? "." : ": " + detail);
}

std::string ToolRunFailureText::timedOut(const std::string& tool)
{
    return tool + " excedeu o tempo limite e foi interrompido.";
}

std::string ToolRunFailureText::outputTooLarge(const std::string& tool)
{
    return tool + " retornou dados demais e a operação foi interrompida com segurança.";
}

std::string ToolRunFailureText::cancelled()
{
    return "A operação foi cancelada.";
}

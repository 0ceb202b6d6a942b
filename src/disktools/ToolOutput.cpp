#include "disktools/ToolOutput.h"

#include <cstdio>

namespace {

void writeTo(std::FILE* stream, std::string_view bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

std::string asLine(std::string text)
{
    if (!text.ends_with('\n')) {
        text.push_back('\n');
    }
    return text;
}

} // namespace

void ToolOutput::result(std::string_view bytes)
{
    writeTo(stdout, bytes);
}

void ToolOutput::resultLine(const std::string& line)
{
    writeTo(stdout, asLine(line));
}

void ToolOutput::failure(const std::string& message)
{
    writeTo(stderr, asLine(message));
}

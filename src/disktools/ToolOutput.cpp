#include "disktools/ToolOutput.h"

#include <QByteArray>

#include <cstdio>

namespace {

void writeTo(std::FILE* stream, QByteArrayView bytes)
{
    std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

QByteArray asLine(const QString& text)
{
    QByteArray line = text.toUtf8();
    if (!line.endsWith('\n')) {
        line.append('\n');
    }
    return line;
}

} // namespace

void ToolOutput::result(QByteArrayView bytes)
{
    writeTo(stdout, bytes);
}

void ToolOutput::resultLine(const QString& line)
{
    writeTo(stdout, asLine(line));
}

void ToolOutput::failure(const QString& message)
{
    writeTo(stderr, asLine(message));
}

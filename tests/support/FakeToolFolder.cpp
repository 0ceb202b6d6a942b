#include "support/FakeToolFolder.h"

#include <QDir>
#include <QFile>

FakeToolFolder::FakeToolFolder() : folder_(QDir::tempPath() + QStringLiteral("/kovara-fake-tools-XXXXXX"))
{
}

QString FakeToolFolder::writeScript(const QString& name, const QByteArray& body)
{
    const QString scriptPath = folder_.filePath(name);
    QFile script(scriptPath);
    if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qFatal("cannot write the fake tool %s", qPrintable(scriptPath));
    }
    // The tool works in this folder, so the files it records land here.
    script.write("#!/bin/sh\ncd '" + QFile::encodeName(path()) + "' || exit 99\n" + body + "\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return scriptPath;
}

SystemToolTable FakeToolFolder::toolTable(std::chrono::milliseconds timeout,
                                          std::optional<std::chrono::milliseconds> chflagsTimeout) const
{
    const auto fake = [this](const QString& displayName, std::optional<std::chrono::milliseconds> limit) {
        return SystemToolSpec{folder_.filePath(displayName), displayName, limit};
    };
    return SystemToolTable({
        fake(QStringLiteral("hdiutil"), timeout),
        fake(QStringLiteral("diskutil"), timeout),
        fake(QStringLiteral("mdutil"), timeout),
        fake(QStringLiteral("ditto"), std::nullopt),
        fake(QStringLiteral("chflags"), chflagsTimeout.value_or(timeout)),
    });
}

QByteArray FakeToolFolder::read(const QString& name) const
{
    QFile file(folder_.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

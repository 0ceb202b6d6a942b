#include "system/SystemTool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The folder of the running executable, from the kernel rather than argv[0] or a search path.
QString executableFolder()
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof target)) {
        return QStringLiteral("/nonexistent");
    }
    return QFileInfo(QFile::decodeName(QByteArray(target, length))).absolutePath();
}

} // namespace

const SystemToolTable& SystemToolTable::fixed()
{
    static const SystemToolTable table = forExecutableIn(executableFolder());
    return table;
}

SystemToolTable SystemToolTable::forExecutableIn(const QString& executableFolder)
{
    QDir folder(executableFolder);
    if (!QFileInfo::exists(folder.filePath(QStringLiteral("kovara-hdiutil")))) {
        folder.setPath(QDir::cleanPath(folder.filePath(QStringLiteral(KOVARA_INSTALLED_TOOLS_FOLDER))));
    }
    // Failure texts name the program as the user would find it on this system.
    const auto standIn = [&folder](const char* macName, std::optional<std::chrono::milliseconds> timeout) {
        const QString program = QStringLiteral("kovara-") + QString::fromLatin1(macName);
        return SystemToolSpec{folder.filePath(program), program, timeout};
    };
    return SystemToolTable({
        standIn("hdiutil", 90s),
        standIn("diskutil", 90s),
        standIn("mdutil", 20s),
        standIn("ditto", std::nullopt),
        standIn("chflags", 10s),
    });
}

SystemToolTable::SystemToolTable(std::array<SystemToolSpec, 5> specs) : specs_(std::move(specs))
{
}

const SystemToolSpec& SystemToolTable::spec(SystemTool tool) const
{
    return specs_.at(static_cast<std::size_t>(tool));
}

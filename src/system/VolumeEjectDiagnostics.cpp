#include "system/VolumeEjectDiagnostics.h"

#include "platform/FileLocation.h"

namespace {

constexpr int hdiutilBusyStatus = 16;

} // namespace

bool VolumeEjectDiagnostics::hasBusyWording(const SystemProcessResult& result)
{
    const QString text = result.diagnostic().toLower();
    return text.contains(QStringLiteral("dissent")) || text.contains(QStringLiteral("busy")) ||
           text.contains(QStringLiteral("ocupado"));
}

bool VolumeEjectDiagnostics::isBusy(const SystemProcessResult& result, SystemTool tool)
{
    if (result.terminationStatus == 0) {
        return false;
    }
    return hasBusyWording(result) || (tool == SystemTool::hdiutil && result.terminationStatus == hdiutilBusyStatus);
}

QStringList VolumeEjectDiagnostics::holders(const SystemProcessResult& result)
{
    static const QString marker = QStringLiteral("dissented by PID ");
    QStringList names;
    const QStringList lines = result.diagnostic().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const qsizetype match = line.indexOf(marker, 0, Qt::CaseInsensitive);
        if (match < 0 || match + marker.size() >= line.size()) {
            continue;
        }
        const qsizetype open = line.indexOf(QLatin1Char('('), match + marker.size());
        const qsizetype close = line.lastIndexOf(QLatin1Char(')'));
        if (open < 0 || close <= open) {
            continue;
        }
        const QString executablePath = line.mid(open + 1, close - open - 1);
        const QString name = executablePath.isEmpty() ? QString() : FileLocation::lastPathComponent(executablePath);
        if (!name.isEmpty() && !names.contains(name)) {
            names.append(name);
        }
    }
    return names;
}

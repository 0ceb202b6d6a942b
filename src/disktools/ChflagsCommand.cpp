#include "disktools/ChflagsCommand.h"

#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "platform/HiddenFlag.h"

#include <QFile>

#include <system_error>

int ChflagsCommand::run(const QStringList& arguments)
{
    const QString flag = arguments.value(0);
    if (arguments.size() < 2 || (flag != "hidden" && flag != "nohidden")) {
        throw ToolFailure("Uso: kovara-chflags hidden|nohidden <caminho>…");
    }
    int status = 0;
    for (const QString& path : arguments.mid(1)) {
        try {
            HiddenFlag::set(QFile::encodeName(path).toStdString(), flag == "hidden");
        } catch (const std::system_error& error) {
            ToolOutput::failure(path + ": " + QString::fromStdString(error.code().message()));
            status = 1;
        }
    }
    return status;
}

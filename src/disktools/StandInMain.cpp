#include "disktools/StandInMain.h"

#include "disktools/TerminationRequests.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"

#include <QFile>

#include <exception>

int StandInMain::run(int argc, char** argv, const Command& command)
{
    const TerminationRequests termination;
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QFile::decodeName(argv[i]);
    }
    try {
        return command(arguments, termination.token());
    } catch (const ToolFailure& failure) {
        ToolOutput::failure(failure.message());
        return failure.exitStatus();
    } catch (const std::exception& error) {
        ToolOutput::failure(QString::fromLocal8Bit(error.what()));
        return 1;
    }
}

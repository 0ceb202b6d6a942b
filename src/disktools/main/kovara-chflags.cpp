#include "disktools/ChflagsCommand.h"
#include "disktools/StandInMain.h"

int main(int argc, char** argv)
{
    return StandInMain::run(
        argc, argv, [](const QStringList& arguments, std::stop_token) { return ChflagsCommand::run(arguments); });
}

#include "disktools/ChflagsCommand.h"
#include "disktools/StandInMain.h"

int main(int argc, char** argv)
{
    return StandInMain::run(argc, argv, [](const std::vector<std::string>& arguments, std::stop_token) {
        return ChflagsCommand::run(arguments);
    });
}

#include "disktools/HdiutilCommand.h"
#include "disktools/StandInMain.h"

int main(int argc, char** argv)
{
    return StandInMain::run(argc, argv, HdiutilCommand::run);
}

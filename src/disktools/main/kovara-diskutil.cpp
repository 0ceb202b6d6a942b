#include "disktools/DiskutilCommand.h"
#include "disktools/StandInMain.h"

int main(int argc, char** argv)
{
    return StandInMain::run(argc, argv, DiskutilCommand::run, StandInMain::Termination::endsAtOnce);
}

#include "disktools/ChflagsCommand.h"

#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "posix/HiddenFlag.h"

#include <system_error>

int ChflagsCommand::run(const std::vector<std::string>& arguments)
{
    const std::string flag = arguments.empty() ? std::string() : arguments.front();
    if (arguments.size() < 2 || (flag != "hidden" && flag != "nohidden")) {
        throw ToolFailure("Uso: kovara-chflags hidden|nohidden <caminho>…");
    }
    int status = 0;
    for (auto path = arguments.begin() + 1; path != arguments.end(); ++path) {
        try {
            HiddenFlag::set(*path, flag == "hidden");
        } catch (const std::system_error& error) {
            ToolOutput::failure(*path + ": " + error.code().message());
            status = 1;
        }
    }
    return status;
}

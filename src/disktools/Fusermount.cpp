#include "disktools/Fusermount.h"

#include "disktools/HelperProcess.h"

#include <csignal>
#include <unistd.h>

namespace {

std::string trimmed(const std::string& text)
{
    const char* const blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

Fusermount::Result Fusermount::unmount(const std::string& mountPoint, bool lazy, std::stop_token stop)
{
    std::vector<std::string> arguments{"-u"};
    if (lazy) {
        arguments.emplace_back("-z");
    }
    arguments.emplace_back("--");
    arguments.push_back(mountPoint);
    const ChildProcess::Result run =
        HelperProcess::run(executable, arguments, std::nullopt, ChildProcess::Output::captured, std::move(stop));
    if (run.terminationStatus == 0) {
        return {Outcome::unmounted, {}};
    }
    const std::string message = trimmed(run.standardError);
    // fusermount3 never sets a locale, so EBUSY always reads as the C library's English text.
    return {message.find("Device or resource busy") != std::string::npos ? Outcome::busy : Outcome::failed,
            message.empty() ? "fusermount3 falhou com código " + std::to_string(run.terminationStatus) + "." : message};
}

void Fusermount::becomeUnmount(const std::string& mountPoint)
{
    const char* const arguments[] = {executable, "-u", "--", mountPoint.c_str(), nullptr};
    // A signal mask survives exec: fusermount3 starts with none blocked, as any child would.
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
    ::execve(executable, const_cast<char* const*>(arguments), environ);
}

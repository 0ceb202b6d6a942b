#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What `kovara ARGUMENT…` asks for. The only options are --help and --version, which are
// answered at once; any other argument that starts with a dash is refused, so a mistyped option
// never travels to the running instance as a folder. "--" ends the options, so a folder whose
// name starts with a dash can still be given. Every other argument is a folder.
struct KovaraCommandLine
{
    // What this process prints before it ends at once, where, and its exit status.
    struct Answer
    {
        QString text;
        bool toStandardError = false;
        int exitStatus = 0;

        bool operator==(const Answer&) const = default;
    };

    // Set when the command line is answered without starting or reaching Kovara.
    std::optional<Answer> answer;
    // The folders to add, as given (relative ones are resolved by the caller).
    QStringList folders;

    static KovaraCommandLine parse(const QStringList& arguments);

    bool operator==(const KovaraCommandLine&) const = default;
};

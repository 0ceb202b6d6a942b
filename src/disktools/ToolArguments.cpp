#include "disktools/ToolArguments.h"

#include "disktools/ToolFailure.h"

ToolArguments::ToolArguments(const QStringList& arguments, const QSet<QString>& valuedOptions,
                             const QSet<QString>& flagOptions, QString usage)
    : usage_(std::move(usage))
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith(u'-') || argument == "-") {
            operands_ << argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (options_.contains(argument)) {
            refuse("A opção " + argument + " foi repetida.");
        } else if (valuedOptions.contains(argument)) {
            if (i + 1 >= arguments.size()) {
                refuse("A opção " + argument + " precisa de um valor.");
            }
            options_.insert(argument, arguments[++i]);
        } else if (flagOptions.contains(argument)) {
            options_.insert(argument, QString());
        } else {
            refuse("Opção desconhecida: " + argument);
        }
    }
}

bool ToolArguments::has(const QString& option) const
{
    return options_.contains(option);
}

std::optional<QString> ToolArguments::value(const QString& option) const
{
    const auto found = options_.constFind(option);
    return found == options_.constEnd() ? std::nullopt : std::optional<QString>(*found);
}

QString ToolArguments::requiredValue(const QString& option) const
{
    const std::optional<QString> found = value(option);
    if (!found || found->isEmpty()) {
        refuse("Falta a opção " + option + ".");
    }
    return *found;
}

void ToolArguments::requireFlag(const QString& option) const
{
    if (!has(option)) {
        refuse("Falta a opção " + option + ".");
    }
}

QString ToolArguments::singleOperand() const
{
    if (operands_.size() != 1 || operands_.front().isEmpty()) {
        refuse(operands_.isEmpty() ? "Falta o caminho." : "Há caminhos demais.");
    }
    return operands_.front();
}

void ToolArguments::refuse(const QString& reason) const
{
    throw ToolFailure(reason + "\nUso: " + usage_);
}

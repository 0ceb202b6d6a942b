#include "disktools/ToolArguments.h"

#include "disktools/ToolFailure.h"

ToolArguments::ToolArguments(const std::vector<std::string>& arguments, const std::set<std::string>& valuedOptions,
                             const std::set<std::string>& flagOptions, std::string usage)
    : usage_(std::move(usage))
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !argument.starts_with('-') || argument == "-") {
            operands_.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (options_.contains(argument)) {
            refuse("A opção " + argument + " foi repetida.");
        } else if (valuedOptions.contains(argument)) {
            if (i + 1 >= arguments.size()) {
                refuse("A opção " + argument + " precisa de um valor.");
            }
            options_[argument] = arguments[++i];
        } else if (flagOptions.contains(argument)) {
            options_[argument] = std::string();
        } else {
            refuse("Opção desconhecida: " + argument);
        }
    }
}

bool ToolArguments::has(const std::string& option) const
{
    return options_.contains(option);
}

std::optional<std::string> ToolArguments::value(const std::string& option) const
{
    const auto found = options_.find(option);
    return found == options_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::string ToolArguments::requiredValue(const std::string& option) const
{
    const std::optional<std::string> found = value(option);
    if (!found || found->empty()) {
        refuse("Falta a opção " + option + ".");
    }
    return *found;
}

void ToolArguments::requireFlag(const std::string& option) const
{
    if (!has(option)) {
        refuse("Falta a opção " + option + ".");
    }
}

std::string ToolArguments::singleOperand() const
{
    if (operands_.size() != 1 || operands_.front().empty()) {
        refuse(operands_.empty() ? "Falta o caminho." : "Há caminhos demais.");
    }
    return operands_.front();
}

void ToolArguments::refuse(const std::string& reason) const
{
    throw ToolFailure(reason + "\nUso: " + usage_);
}

#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// A stand-in's argument vector, read the way the macOS disk tools read theirs: options (a dash
// and a word) with or without one value, in any order, and operands. An unknown option, a
// missing value or a repeated option is refused with the command's usage text.
class ToolArguments
{
public:
    ToolArguments(const std::vector<std::string>& arguments, const std::set<std::string>& valuedOptions,
                  const std::set<std::string>& flagOptions, std::string usage);

    bool has(const std::string& option) const;
    std::optional<std::string> value(const std::string& option) const;
    std::string requiredValue(const std::string& option) const;
    void requireFlag(const std::string& option) const;
    // The one operand; refused when there is none or more than one.
    std::string singleOperand() const;

    [[noreturn]] void refuse(const std::string& reason) const;

private:
    std::string usage_;
    std::map<std::string, std::string> options_;
    std::vector<std::string> operands_;
};

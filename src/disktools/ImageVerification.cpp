#include "disktools/ImageVerification.h"

#include "disktools/Gocryptfs.h"
#include "disktools/ImageBundle.h"
#include "disktools/PropertyList.h"
#include "disktools/ToolArguments.h"
#include "disktools/ToolFailure.h"
#include "disktools/ToolOutput.h"
#include "disktools/VaultPassword.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>
#include <unistd.h>

namespace {

void appendUtf8(std::string& text, std::uint32_t code)
{
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        text.push_back(static_cast<char>(0xc0 | (code >> 6)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else if (code < 0x10000) {
        text.push_back(static_cast<char>(0xe0 | (code >> 12)));
        text.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else {
        text.push_back(static_cast<char>(0xf0 | (code >> 18)));
        text.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3f)));
        text.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    }
}

std::optional<std::uint32_t> number(std::string_view digits, int base)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

// The `index`-th string quoted the way Go's %q quotes it (escapes \" \\ \n \t …, \xHH for a byte,
// \ooo in octal, \uHHHH and \UHHHHHHHH for a character), decoded back to its bytes.
std::optional<std::string> goQuoted(std::string_view line, int index)
{
    std::size_t at = 0;
    for (int found = 0;; ++found) {
        at = line.find('"', at);
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        std::string text;
        std::size_t i = at + 1;
        for (; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] != '\\' || i + 1 >= line.size()) {
                text.push_back(line[i]);
                continue;
            }
            const char escape = line[++i];
            static const std::string_view simple = "abfnrtv";
            static const std::string_view meaning = "\a\b\f\n\r\t\v";
            const int width = escape == 'x' ? 2 : escape == 'u' ? 4 : escape == 'U' ? 8 : 0;
            if (const std::size_t which = simple.find(escape); which != std::string_view::npos) {
                text.push_back(meaning[which]);
            } else if (width > 0) {
                const std::optional<std::uint32_t> code = number(line.substr(i + 1, width), 16);
                if (!code) {
                    return std::nullopt;
                }
                if (escape == 'x') {
                    text.push_back(static_cast<char>(*code));
                } else {
                    appendUtf8(text, *code);
                }
                i += width;
            } else if (escape >= '0' && escape <= '7') {
                const std::optional<std::uint32_t> code = number(line.substr(i, 3), 8);
                if (!code) {
                    return std::nullopt;
                }
                text.push_back(static_cast<char>(*code));
                i += 2;
            } else {
                text.push_back(escape);
            }
        }
        if (i >= line.size()) {
            return std::nullopt;
        }
        if (found == index) {
            return text;
        }
        at = i + 1;
    }
}

// The count written just before `word` in gocryptfs's summary ("2 corrupt files").
std::uint64_t countBefore(std::string_view text, std::string_view word)
{
    const std::size_t end = text.find(word);
    if (end == std::string_view::npos || end == 0) {
        return 0;
    }
    const std::size_t space = text.rfind(' ', end - 1);
    const std::size_t start = space == std::string_view::npos ? 0 : space + 1;
    return number(text.substr(start, end - start), 10).value_or(0);
}

} // namespace

ImageVerification::Findings ImageVerification::findingsFrom(const std::string& report)
{
    Findings findings;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("fsck summary:")) {
            findings.damagedCount = countBefore(line, " corrupt files");
            findings.skippedCount = countBefore(line, " files skipped");
            continue;
        }
        if (!line.starts_with("fsck: ")) {
            continue;
        }
        // An xattr's reading names the file second; a name that did not decrypt, its folder first.
        const int pathIndex = line.starts_with("fsck: error reading xattr ") ? 1 : 0;
        std::optional<std::string> path = goQuoted(line, pathIndex);
        if (path && std::find(findings.damagedItems.begin(), findings.damagedItems.end(), *path) ==
                        findings.damagedItems.end()) {
            findings.damagedItems.push_back(std::move(*path));
        }
    }
    findings.damagedCount = std::max<std::uint64_t>(findings.damagedCount, findings.damagedItems.size());
    return findings;
}

int ImageVerification::run(const std::vector<std::string>& arguments, std::stop_token stop)
{
    const ToolArguments args(arguments, {}, {"-plist", "-stdinpass"},
                             "kovara-hdiutil verify -plist -stdinpass <imagem>");
    const std::string path = args.singleOperand();
    args.requireFlag("-plist");
    args.requireFlag("-stdinpass");
    const VaultPassword password = VaultPassword::readNulTerminated(STDIN_FILENO);
    const ImageBundle bundle = ImageBundle::open(path);
    const ChildProcess::Result result = Gocryptfs::check(bundle.cipherDirectory(), password, std::move(stop));
    if (result.terminationStatus == Gocryptfs::wrongPasswordStatus) {
        throw ToolFailure("Senha incorreta.", authenticationErrorStatus);
    }
    const Findings findings = findingsFrom(result.standardOutput);
    PropertyList::Array items;
    for (const std::string& item : findings.damagedItems) {
        items.emplace_back(item);
    }
    const PropertyList list = PropertyList::Dictionary{{"damaged-count", findings.damagedCount},
                                                       {"damaged-items", std::move(items)},
                                                       {"skipped-count", findings.skippedCount}};
    ToolOutput::result(list.toXml());
    return 0;
}

#include "posix/MountTable.h"

#include "posix/FileContents.h"
#include "posix/PosixCategory.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <system_error>

namespace {

bool isOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t end = text.find(separator); end != std::string_view::npos; end = text.find(separator, start)) {
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

// A whole unsigned decimal number; none for anything else.
std::optional<unsigned> number(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

MountTable MountTable::read()
{
    const std::optional<std::string> text = FileContents::read("/proc/self/mountinfo");
    if (!text) {
        throw std::system_error(errno, posixCategory(), "Não foi possível ler a lista de montagens");
    }
    return parse(*text);
}

MountTable MountTable::parse(std::string_view text)
{
    MountTable table;
    for (const std::string_view line : split(text, '\n')) {
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        const std::vector<std::string_view> fields = split(line, ' ');
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") {
            ++separator;
        }
        if (fields.size() < 6 || separator + 2 >= fields.size()) {
            continue;
        }
        const std::vector<std::string_view> device = split(fields[2], ':');
        const std::optional<unsigned> major = device.size() == 2 ? number(device[0]) : std::nullopt;
        const std::optional<unsigned> minor = device.size() == 2 ? number(device[1]) : std::nullopt;
        if (!major || !minor) {
            continue;
        }
        MountInfoEntry entry;
        entry.deviceMajor = *major;
        entry.deviceMinor = *minor;
        entry.root = decodeField(fields[3]);
        entry.mountPoint = decodeField(fields[4]);
        entry.fileSystemType = decodeField(fields[separator + 1]);
        entry.source = decodeField(fields[separator + 2]);
        if (separator + 3 < fields.size()) {
            for (const std::string_view option : split(fields[separator + 3], ',')) {
                if (option.starts_with("user_id=")) {
                    entry.ownerUserId = number(option.substr(8));
                }
                entry.isSharedWithOtherUsers = entry.isSharedWithOtherUsers || option == "allow_other";
            }
        }
        table.entries_.push_back(std::move(entry));
    }
    return table;
}

std::string MountTable::decodeField(std::string_view field)
{
    std::string decoded;
    decoded.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1]) && isOctalDigit(field[i + 2]) &&
            isOctalDigit(field[i + 3])) {
            decoded.push_back(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            decoded.push_back(field[i]);
        }
    }
    return decoded;
}

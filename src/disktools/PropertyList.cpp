#include "disktools/PropertyList.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

constexpr std::string_view header =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// The length of the UTF-8 sequence `text` begins with when it encodes a character XML 1.0
// allows in a document; 0 for anything else (a stray or truncated byte, an overlong form, a
// surrogate, a control character other than tab and line ends, U+FFFE and U+FFFF).
std::size_t xmlCharacterLength(std::string_view text)
{
    const auto byte = [text](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
    }
    const std::size_t length = lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || text.size() < length) {
        return 0;
    }
    char32_t code = lead & (0x7FU >> length);
    for (std::size_t index = 1; index < length; ++index) {
        if ((byte(index) & 0xC0U) != 0x80U) {
            return 0;
        }
        code = code << 6U | (byte(index) & 0x3FU);
    }
    constexpr std::array<char32_t, 5> shortestForm = {0, 0, 0x80, 0x800, 0x10000};
    const bool allowed = code >= shortestForm[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF) &&
                         code != 0xFFFE && code != 0xFFFF;
    return allowed ? length : 0;
}

// Text as XML character data. A path on Linux is any bytes, but the XML must stay readable by
// the app: each byte that does not begin an allowed character becomes U+FFFD, as the app's own
// UTF-8 decoding has always shown such bytes.
void appendEscaped(std::string& xml, std::string_view text)
{
    while (!text.empty()) {
        const std::size_t length = xmlCharacterLength(text);
        if (length == 0) {
            xml += replacementCharacter;
            text.remove_prefix(1);
            continue;
        }
        switch (text.front()) {
        case '&':
            xml += "&amp;";
            break;
        case '<':
            xml += "&lt;";
            break;
        case '>':
            xml += "&gt;";
            break;
        default:
            xml += text.substr(0, length);
        }
        text.remove_prefix(length);
    }
}

std::string utf8(char32_t code)
{
    if (code < 0x80) {
        return {char(code)};
    }
    if (code < 0x800) {
        return {char(0xC0 | code >> 6), char(0x80 | (code & 0x3F))};
    }
    if (code < 0x10000) {
        return {char(0xE0 | code >> 12), char(0x80 | (code >> 6 & 0x3F)), char(0x80 | (code & 0x3F))};
    }
    return {char(0xF0 | code >> 18), char(0x80 | (code >> 12 & 0x3F)), char(0x80 | (code >> 6 & 0x3F)),
            char(0x80 | (code & 0x3F))};
}

// An unsigned decimal or hexadecimal number filling all of `digits`.
template <typename Number>
std::optional<Number> wholeNumber(std::string_view digits, int base)
{
    Number number = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number, base);
    if (digits.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}

// What the reference `&name;` stands for: one of XML's five predefined entities or a character
// reference to a character XML allows.
std::optional<std::string> referencedText(std::string_view name)
{
    constexpr std::array<std::pair<std::string_view, char>, 5> predefined = {
        {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
    for (const auto& [entity, character] : predefined) {
        if (name == entity) {
            return std::string(1, character);
        }
    }
    if (!name.starts_with('#')) {
        return std::nullopt;
    }
    name.remove_prefix(1);
    const int base = name.starts_with('x') ? 16 : 10;
    const std::optional<std::uint32_t> code = wholeNumber<std::uint32_t>(name.substr(base == 16 ? 1 : 0), base);
    if (!code || *code > 0x10FFFF) {
        return std::nullopt;
    }
    std::string character = utf8(*code);
    return xmlCharacterLength(character) == character.size() ? std::optional(character) : std::nullopt;
}

// The reader's position in the document, consumed from the front.
class XmlCursor
{
public:
    explicit XmlCursor(std::string_view rest) : rest_(rest) {}

    bool atEnd()
    {
        skipSpace();
        return rest_.empty();
    }

    // Consumes `markup`, after any whitespace, when the document goes on with it.
    bool take(std::string_view markup)
    {
        skipSpace();
        if (!rest_.starts_with(markup)) {
            return false;
        }
        rest_.remove_prefix(markup.size());
        return true;
    }

    // Consumes a declaration that begins with `opening` (the XML declaration or the document
    // type), when there is one.
    void skipDeclaration(std::string_view opening)
    {
        if (take(opening)) {
            const std::size_t end = rest_.find('>');
            rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        }
    }

    // The character data up to the next markup, references resolved, when it is all valid.
    std::optional<std::string> characterData()
    {
        const std::string_view raw = rest_.substr(0, rest_.find('<'));
        rest_.remove_prefix(raw.size());
        std::string text;
        for (std::size_t at = 0; at < raw.size();) {
            if (raw[at] != '&') {
                const std::size_t length = xmlCharacterLength(raw.substr(at));
                if (length == 0) {
                    return std::nullopt;
                }
                text += raw.substr(at, length);
                at += length;
                continue;
            }
            const std::size_t end = raw.find(';', at);
            const std::optional<std::string> referenced =
                end == std::string_view::npos ? std::nullopt : referencedText(raw.substr(at + 1, end - at - 1));
            if (!referenced) {
                return std::nullopt;
            }
            text += *referenced;
            at = end + 1;
        }
        return text;
    }

    // The text of `<name>...</name>`, whose opening tag was just consumed.
    std::optional<std::string> elementText(std::string_view closing)
    {
        std::optional<std::string> text = characterData();
        return text && take(closing) ? text : std::nullopt;
    }

    // A dictionary value: text (<string/> is the empty one) or an unsigned integer.
    std::optional<PropertyList> textOrInteger()
    {
        if (take("<string/>")) {
            return PropertyList("");
        }
        if (take("<string>")) {
            std::optional<std::string> text = elementText("</string>");
            return text ? std::optional<PropertyList>(std::move(*text)) : std::nullopt;
        }
        const std::optional<std::string> digits = take("<integer>") ? elementText("</integer>") : std::nullopt;
        const std::optional<std::uint64_t> number =
            digits ? wholeNumber<std::uint64_t>(*digits, 10) : std::optional<std::uint64_t>();
        return number ? std::optional<PropertyList>(*number) : std::nullopt;
    }

private:
    void skipSpace() { rest_.remove_prefix(std::min(rest_.find_first_not_of(" \t\r\n"), rest_.size())); }

    std::string_view rest_;
};

} // namespace

std::optional<PropertyList> PropertyList::fromXml(std::string_view xml)
{
    XmlCursor cursor(xml);
    cursor.skipDeclaration("<?xml ");
    cursor.skipDeclaration("<!DOCTYPE plist ");
    if (!cursor.take("<plist version=\"1.0\">") || !cursor.take("<dict>")) {
        return std::nullopt;
    }
    PropertyList dictionary{Dictionary()};
    auto& entries = std::get<Dictionary>(dictionary.value_);
    while (!cursor.take("</dict>")) {
        std::optional<std::string> key = cursor.take("<key>") ? cursor.elementText("</key>") : std::nullopt;
        std::optional<PropertyList> value = key ? cursor.textOrInteger() : std::nullopt;
        if (!value || dictionary.find(*key)) {
            return std::nullopt;
        }
        entries.emplace_back(std::move(*key), std::move(*value));
    }
    if (!cursor.take("</plist>") || !cursor.atEnd()) {
        return std::nullopt;
    }
    return dictionary;
}

std::string PropertyList::toXml() const
{
    std::string xml(header);
    appendXml(xml, 0);
    xml += "</plist>\n";
    return xml;
}

void PropertyList::appendXml(std::string& xml, std::size_t depth) const
{
    xml.append(depth, '\t');
    if (const auto* text = std::get_if<std::string>(&value_)) {
        xml += "<string>";
        appendEscaped(xml, *text);
        xml += "</string>\n";
        return;
    }
    if (const auto* number = std::get_if<std::uint64_t>(&value_)) {
        xml += "<integer>" + std::to_string(*number) + "</integer>\n";
        return;
    }
    const auto* items = std::get_if<Array>(&value_);
    const auto* entries = std::get_if<Dictionary>(&value_);
    const std::string name = items ? "array" : "dict";
    if (items ? items->empty() : entries->empty()) {
        xml += '<' + name + "/>\n";
        return;
    }
    xml += '<' + name + ">\n";
    if (items) {
        for (const PropertyList& item : *items) {
            item.appendXml(xml, depth + 1);
        }
    } else {
        for (const auto& [key, value] : *entries) {
            xml.append(depth + 1, '\t');
            xml += "<key>";
            appendEscaped(xml, key);
            xml += "</key>\n";
            value.appendXml(xml, depth + 1);
        }
    }
    xml.append(depth, '\t');
    xml += "</" + name + ">\n";
}

const PropertyList* PropertyList::find(std::string_view key) const
{
    const auto* entries = std::get_if<Dictionary>(&value_);
    if (!entries) {
        return nullptr;
    }
    const auto entry = std::find_if(entries->begin(), entries->end(), [key](const auto& e) { return e.first == key; });
    return entry == entries->end() ? nullptr : &entry->second;
}

std::optional<std::string> PropertyList::text(std::string_view key) const
{
    const PropertyList* value = find(key);
    const auto* text = value ? std::get_if<std::string>(&value->value_) : nullptr;
    return text ? std::optional(*text) : std::nullopt;
}

std::optional<std::uint64_t> PropertyList::unsignedInteger(std::string_view key) const
{
    const PropertyList* value = find(key);
    const auto* number = value ? std::get_if<std::uint64_t>(&value->value_) : nullptr;
    return number ? std::optional(*number) : std::nullopt;
}

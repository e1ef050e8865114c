#include "platform/RegistryHive.h"

#include <cstdio>

#include "platform/GbkText.h"

namespace platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

// ASCII letters folded to lower case, double-byte characters left whole.
std::string FoldName(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsGbkLeadByte(c) && i + 1 < out.size()) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool IsCharBoundary(std::string_view s, std::size_t pos) {
    std::size_t i = 0;
    while (i < pos)
        i += (IsGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    return i == pos;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text that starts at s[0] == '"'; handles \\ and \" escapes and keeps
// double-byte characters whole (their second byte may be a backslash). Returns the
// number of bytes consumed including both quotes, or 0 when the text is malformed.
std::size_t ReadQuoted(std::string_view s, std::string& out) {
    out.clear();
    for (std::size_t i = 1; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsGbkLeadByte(c) && i + 1 < s.size()) {
            out.append(s.substr(i, 2));
            i += 2;
        } else if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) return 0;
            out.push_back(s[i + 1]);
            i += 2;
        } else if (c == '"') {
            return i + 1;
        } else {
            out.push_back(static_cast<char>(c));
            ++i;
        }
    }
    return 0;  // unterminated
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsGbkLeadByte(c) && i + 1 < s.size()) {
            out.append(s.substr(i, 2));
            ++i;
            continue;
        }
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(static_cast<char>(c));
    }
    out.push_back('"');
    return out;
}

bool ParseHexList(std::string_view s, std::vector<uint8_t>& out) {
    s = TrimLeft(TrimRight(s));
    if (s.empty()) return true;
    while (true) {
        std::size_t comma = s.find(',');
        std::string_view token = TrimLeft(TrimRight(s.substr(0, comma)));
        if (token.empty() || token.size() > 2) return false;
        int value = 0;
        for (char c : token) {
            int d = HexDigit(c);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        out.push_back(static_cast<uint8_t>(value));
        if (comma == std::string_view::npos) return true;
        s.remove_prefix(comma + 1);
    }
}

// Parses the data part of a value line (everything after "=").
bool ParseData(std::string_view s, RegValue& value) {
    if (!s.empty() && s[0] == '"') {
        std::string text;
        std::size_t used = ReadQuoted(s, text);
        if (used == 0 || !TrimRight(s.substr(used)).empty()) return false;
        value.type = kRegSz;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return true;
    }
    if (s.starts_with("dword:")) {
        std::string_view digits = TrimRight(s.substr(6));
        if (digits.empty() || digits.size() > 8) return false;
        uint32_t number = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) return false;
            number = number * 16 + static_cast<uint32_t>(d);
        }
        value.type = kRegDword;
        value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                      static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
        return true;
    }
    if (s.starts_with("hex:")) {
        value.type = kRegBinary;
        value.data.clear();
        return ParseHexList(s.substr(4), value.data);
    }
    if (s.starts_with("hex(")) {
        std::size_t close = s.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) return false;
        uint32_t type = 0;
        for (char c : s.substr(4, close - 4)) {
            int d = HexDigit(c);
            if (d < 0) return false;
            type = type * 16 + static_cast<uint32_t>(d);
        }
        value.type = type;
        value.data.clear();
        return ParseHexList(s.substr(close + 2), value.data);
    }
    return false;
}

bool IsPlainText(const RegValue& value) {
    if (value.type != kRegSz || value.data.empty() || value.data.back() != 0) return false;
    const std::size_t end = value.data.size() - 1;  // the terminating NUL
    for (std::size_t i = 0; i < end; ++i) {
        uint8_t c = value.data[i];
        if (c == 0 || c == '\r' || c == '\n') return false;
    }
    // A lead byte that ends the text would take the closing quote as its second byte, and
    // the hive would no longer parse: such text is written in hex.
    std::size_t i = 0;
    while (i < end) i += IsGbkLeadByte(value.data[i]) ? 2 : 1;
    return i == end;
}

}  // namespace

bool RegNamesEqual(std::string_view a, std::string_view b) {
    return a.size() == b.size() && FoldName(a) == FoldName(b);
}

std::string FormatRegValueLine(std::string_view name, const RegValue& value) {
    std::string line = name.empty() ? "@" : Quote(name);
    line += '=';
    if (IsPlainText(value)) {
        const char* text = reinterpret_cast<const char*>(value.data.data());
        line += Quote(std::string_view(text, value.data.size() - 1));
        return line;
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        char digits[16];
        uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                          (static_cast<uint32_t>(value.data[3]) << 24);
        std::snprintf(digits, sizeof digits, "dword:%08x", number);
        return line + digits;
    }
    if (value.type == kRegBinary) {
        line += "hex:";
    } else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        line += prefix;
    }
    static const char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        if (i > 0) line += ',';
        line += kHex[value.data[i] >> 4];
        line += kHex[value.data[i] & 0xF];
    }
    return line;
}

std::string CRegHive::EmptyText() {
    return "REGEDIT4\r\n\r\n";
}

std::optional<CRegHive> CRegHive::Parse(std::string_view text, std::string_view rootName) {
    CRegHive hive;
    hive.m_strText.assign(text);
    hive.m_strRoot.assign(rootName);
    std::size_t firstBreak = text.find('\n');
    hive.m_strNewline =
        (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r')
            ? "\r\n"
            : "\n";

    // Walks physical lines: [begin, end) without the line break, next = start of the next line.
    auto lineAt = [&](std::size_t begin, std::size_t& next) {
        std::size_t nl = text.find('\n', begin);
        next = nl == std::string_view::npos ? text.size() : nl + 1;
        return TrimRight(
            text.substr(begin, (nl == std::string_view::npos ? text.size() : nl) - begin));
    };

    std::size_t pos = 0, next = 0;
    if (lineAt(0, next) != "REGEDIT4") return std::nullopt;
    pos = next;
    const std::string foldedRoot = FoldName(rootName);
    while (pos < text.size()) {
        std::size_t begin = pos;
        std::string_view line = lineAt(pos, next);
        pos = next;
        std::string_view content = TrimLeft(line);
        if (content.empty() || content[0] == ';') continue;
        if (content[0] == '[') {
            if (content.back() != ']' || content.size() < 2 || content[1] == '-')
                return std::nullopt;
            std::string_view path = content.substr(1, content.size() - 2);
            std::string folded = FoldName(path);
            if (!folded.starts_with(foldedRoot)) return std::nullopt;
            path.remove_prefix(rootName.size());
            if (!path.empty() && path[0] != '\\') return std::nullopt;
            if (!path.empty()) path.remove_prefix(1);
            hive.m_sections.push_back(KeySection{std::string(path), next, {}});
            continue;
        }
        if (hive.m_sections.empty()) return std::nullopt;  // a value outside any key
        ValueEntry entry;
        entry.lineBegin = begin;
        std::size_t nameEnd;
        if (content[0] == '@') {
            nameEnd = 1;
        } else if (content[0] == '"') {
            nameEnd = ReadQuoted(content, entry.name);
            if (nameEnd == 0) return std::nullopt;
        } else {
            return std::nullopt;
        }
        std::string_view rest = TrimLeft(content.substr(nameEnd));
        if (rest.empty() || rest[0] != '=') return std::nullopt;
        std::string data(TrimLeft(rest.substr(1)));
        // Hex data may continue over lines that end in a backslash.
        while (data.starts_with("hex") && !data.empty() && data.back() == '\\') {
            data.pop_back();
            if (pos >= text.size()) return std::nullopt;
            data += TrimLeft(lineAt(pos, next));
            pos = next;
        }
        if (!ParseData(data, entry.value)) return std::nullopt;
        entry.lineEnd = pos;
        hive.m_sections.back().insertAt = pos;
        hive.m_sections.back().values.push_back(std::move(entry));
    }
    return hive;
}

bool CRegHive::HasKey(std::string_view subKey) const {
    const std::string wanted = FoldName(subKey);
    for (const KeySection& section : m_sections) {
        const std::string path = FoldName(section.path);
        if (path == wanted) return true;
        if (path.size() > wanted.size() && path.starts_with(wanted) &&
            path[wanted.size()] == '\\' && IsCharBoundary(section.path, wanted.size()))
            return true;
    }
    return false;
}

const CRegHive::KeySection* CRegHive::LastSection(std::string_view subKey) const {
    const KeySection* found = nullptr;
    for (const KeySection& section : m_sections)
        if (RegNamesEqual(section.path, subKey)) found = &section;
    return found;
}

const CRegHive::ValueEntry* CRegHive::FindValue(std::string_view subKey,
                                                std::string_view name) const {
    const ValueEntry* found = nullptr;
    for (const KeySection& section : m_sections) {
        if (!RegNamesEqual(section.path, subKey)) continue;
        for (const ValueEntry& entry : section.values)
            if (RegNamesEqual(entry.name, name)) found = &entry;
    }
    return found;
}

std::optional<RegValue> CRegHive::GetValue(std::string_view subKey, std::string_view name) const {
    const ValueEntry* entry = FindValue(subKey, name);
    if (entry == nullptr) return std::nullopt;
    return entry->value;
}

std::string CRegHive::AppendSection(std::string_view subKey, std::string_view valueLine) const {
    std::string text = m_strText;
    if (!text.empty() && text.back() != '\n') text += m_strNewline;
    if (!text.ends_with(m_strNewline + m_strNewline) && !text.ends_with("\n\n"))
        text += m_strNewline;
    text.append("[").append(m_strRoot);
    if (!subKey.empty()) text.append("\\").append(subKey);
    text.append("]").append(m_strNewline);
    if (!valueLine.empty()) text.append(valueLine).append(m_strNewline);
    return text;
}

std::string CRegHive::WithKey(std::string_view subKey) const {
    if (LastSection(subKey) != nullptr || HasKey(subKey)) return m_strText;
    return AppendSection(subKey, "");
}

std::string CRegHive::WithValue(std::string_view subKey, std::string_view name,
                                const RegValue& value) const {
    if (const ValueEntry* entry = FindValue(subKey, name)) {
        // The name keeps the spelling it has in the file.
        const std::string line = FormatRegValueLine(entry->name, value);
        bool hadBreak = entry->lineEnd > entry->lineBegin && m_strText[entry->lineEnd - 1] == '\n';
        std::string text = m_strText;
        text.replace(entry->lineBegin, entry->lineEnd - entry->lineBegin,
                     line + (hadBreak ? m_strNewline : ""));
        return text;
    }
    const std::string line = FormatRegValueLine(name, value);
    if (const KeySection* section = LastSection(subKey)) {
        std::string text = m_strText;
        std::string insert = line + m_strNewline;
        if (section->insertAt > 0 && text[section->insertAt - 1] != '\n')
            insert = m_strNewline + insert;
        text.insert(section->insertAt, insert);
        return text;
    }
    return AppendSection(subKey, line);
}

}  // namespace platform

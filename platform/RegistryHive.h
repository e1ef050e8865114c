// The text form of one registry hive: a REGEDIT4 file, as regedit exports it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Registry value types, numbered as Windows numbers them.
enum : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

struct RegValue {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
};

// A parsed hive. It keeps the file's text and where each key and value stands in it, so
// that a change rewrites only the lines it concerns and every other byte stays as it was.
class CRegHive {
  public:
    // Parses a REGEDIT4 text whose keys all lie under rootName (e.g. "HKEY_CURRENT_USER").
    // nullopt when any line is malformed: a hive is read whole or not at all.
    static std::optional<CRegHive> Parse(std::string_view text, std::string_view rootName);

    // The text of a hive that holds no key.
    static std::string EmptyText();

    // True when the key (path below the root, "\"-separated, any letter case) exists,
    // either named itself or as the parent of a named key.
    bool HasKey(std::string_view subKey) const;

    // The value as the registry would return it; a value named twice reads as its last
    // definition. nullopt when the key or the value is missing. An empty name designates
    // the key's default value (written "@" in the file).
    std::optional<RegValue> GetValue(std::string_view subKey, std::string_view name) const;

    // The hive text after creating the key (unchanged when it exists).
    std::string WithKey(std::string_view subKey) const;

    // The hive text after setting the value (creating the key when missing).
    std::string WithValue(std::string_view subKey, std::string_view name,
                          const RegValue& value) const;

    const std::string& Text() const { return m_strText; }

  private:
    struct ValueEntry {
        std::string name;
        RegValue value;
        std::size_t lineBegin = 0;  // offset of the value's first line
        std::size_t lineEnd = 0;    // offset just past its last line's line break
    };
    struct KeySection {
        std::string path;          // below the root, without leading "\"
        std::size_t insertAt = 0;  // where a new value line of this section goes
        std::vector<ValueEntry> values;
    };

    const ValueEntry* FindValue(std::string_view subKey, std::string_view name) const;
    const KeySection* LastSection(std::string_view subKey) const;
    std::string AppendSection(std::string_view subKey, std::string_view valueLine) const;

    std::string m_strText;
    std::string m_strRoot;
    std::string m_strNewline = "\r\n";
    std::vector<KeySection> m_sections;
};

// The REGEDIT4 line (without line break) that stores a value under a name.
std::string FormatRegValueLine(std::string_view name, const RegValue& value);

// Compares registry names as Windows does: ASCII letters in any case, GBK characters whole.
bool RegNamesEqual(std::string_view a, std::string_view b);

}  // namespace platform

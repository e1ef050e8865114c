// A registry hive written by other software, parsed, and then written by us: one value set
// through the text model and through the registry file itself. Every other value must read
// as before, byte for byte, and a hive that cannot be parsed must stay as it is.
// Input: three choice bytes (name, key, type), the length and bytes of the value's data, then
// the hive text.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "platform/GbkText.h"
#include "platform/Registry.h"
#include "platform/RegistryHive.h"

using fuzz_support::Require;
using platform::CRegHive;
using platform::RegValue;

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
std::string g_strFolder, g_strHive;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The quoted text at the start of s, as a hive stores names: \\ and \" escaped, double-byte
// characters whole. nullopt when it is not one.
std::optional<std::string> Unquote(std::string_view s) {
    if (s.empty() || s[0] != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (platform::IsGbkLeadByte(c) && i + 1 < s.size()) {
            out.append(s.substr(i, 2));
            i += 2;
        } else if (c == '\\' && i + 1 < s.size()) {
            out.push_back(s[i + 1]);
            i += 2;
        } else if (c == '"') {
            return out;
        } else {
            out.push_back(static_cast<char>(c));
            ++i;
        }
    }
    return std::nullopt;
}

// The keys and the (key, value name) pairs that the text appears to hold. Only used to ask
// the parsed hives about them, so a pair that is not really there does no harm.
void Harvest(std::string_view text, std::vector<std::string>& keys,
             std::vector<std::pair<std::string, std::string>>& values) {
    std::string key;
    bool inKey = false;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = Trim(text.substr(0, nl));
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        if (line.size() >= kRoot.size() + 2 && line.front() == '[' && line.back() == ']') {
            std::string_view path = line.substr(1 + kRoot.size(), line.size() - 2 - kRoot.size());
            if (!path.empty() && path[0] == '\\') path.remove_prefix(1);
            key.assign(path);
            keys.push_back(key);
            inKey = true;
        } else if (inKey && line.starts_with("@")) {
            values.emplace_back(key, "");
        } else if (inKey) {
            if (std::optional<std::string> name = Unquote(line)) values.emplace_back(key, *name);
        }
    }
}

bool SameValue(const std::optional<RegValue>& a, const std::optional<RegValue>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->type == b->type && a->data == b->data);
}

// The bytes that a write took out of the text lie within the lines of the one value it
// replaced: no other value, key or comment starts among them.
bool OnlyValueLinesRemoved(std::string_view before, std::string_view after) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::string_view removed = before.substr(prefix, before.size() - prefix - suffix);
    for (std::size_t nl = removed.find('\n'); nl != std::string_view::npos;
         nl = removed.find('\n', nl + 1)) {
        std::size_t at = nl + 1;
        while (at < removed.size() && (removed[at] == ' ' || removed[at] == '\t')) ++at;
        if (at < removed.size() &&
            std::string_view("\"@[;").find(removed[at]) != std::string_view::npos)
            return false;
    }
    return true;
}

// The value to write: a type chosen by the input and the input's bytes (text types end in NUL).
RegValue MakeValue(uint8_t choice, std::string_view bytes) {
    static const uint32_t kTypes[] = {
        platform::kRegSz,    platform::kRegSz,      platform::kRegExpandSz, platform::kRegBinary,
        platform::kRegDword, platform::kRegMultiSz, platform::kRegNone,     0x0B};
    RegValue value;
    value.type = kTypes[choice % std::size(kTypes)];
    value.data.assign(bytes.begin(), bytes.end());
    if (value.type == platform::kRegDword) value.data.resize(4);
    if (value.type == platform::kRegSz || value.type == platform::kRegExpandSz)
        value.data.push_back(0);
    return value;
}

std::vector<std::string> FolderEntries() {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(g_strFolder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

// The same write through the registry's files: the hive file is replaced only by the text
// the model gives, and a hive that cannot be parsed is left byte for byte.
void WriteThroughFile(std::string_view text, const std::optional<CRegHive>& old,
                      const std::string& key, const std::string& name, const RegValue& value) {
    fuzz_support::WriteWholeFile(g_strHive, text);
    std::optional<platform::CRegKey> opened =
        platform::CRegKey::OpenOrCreate(platform::RegRoot::CurrentUser, key);
    Require(opened.has_value(), "a key opens in a hive folder that can be written");
    const bool written = opened->SetValue(name, value.type, value.data.data(), value.data.size());
    const std::string after = [] {
        std::string content;
        if (FILE* f = std::fopen(g_strHive.c_str(), "rb")) {
            char buffer[65536];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
            std::fclose(f);
        }
        return content;
    }();
    Require(FolderEntries() == std::vector<std::string>{"HKEY_CURRENT_USER.reg"},
            "no file but the hive is left");
    if (!old) {
        Require(!written && after == text, "a hive that cannot be parsed is never overwritten");
        return;
    }
    Require(written, "a value is written into a hive that parses");
    std::optional<CRegHive> withKey = CRegHive::Parse(old->WithKey(key), kRoot);
    Require(withKey.has_value(), "a hive with a new key parses");
    Require(after == withKey->WithValue(key, name, value), "the file holds the text of the model");
    std::optional<platform::CRegKey> reader =
        platform::CRegKey::OpenForRead(platform::RegRoot::CurrentUser, key);
    Require(reader.has_value(), "the written key opens for reading");
    std::vector<uint8_t> back(value.data.size() + 1);
    std::size_t backSize = 0;
    uint32_t backType = 0;
    Require(reader->QueryValue(name, back.data(), back.size(), &backSize, &backType) &&
                backType == value.type &&
                std::equal(value.data.begin(), value.data.end(), back.begin()) &&
                backSize == value.data.size(),
            "the written value reads back");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_strFolder = fuzz_support::ScratchFolder() + "/registry";
    g_strHive = g_strFolder + "/HKEY_CURRENT_USER.reg";
    ::mkdir(g_strFolder.c_str(), 0700);
    ::setenv("VOREL_REGISTRY_DIR", g_strFolder.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t nameChoice = data[0], keyChoice = data[1], typeChoice = data[2];
    std::string_view rest = fuzz_support::AsText(data + 4, size - 4);
    const std::string_view valueBytes = rest.substr(0, std::min<std::size_t>(data[3], rest.size()));
    const std::string_view text = rest.substr(valueBytes.size());

    std::vector<std::string> keys = {"SOFTWARE\\VRN\\KD40", "SOFTWARE\\VRN\\New Key", ""};
    std::vector<std::pair<std::string, std::string>> pairs;
    Harvest(text, keys, pairs);
    std::vector<std::string> names = {"NormalUpdateFlag", "LastServerOCXVersion", ""};
    for (const auto& pair : pairs) names.push_back(pair.second);
    const std::string key = keys[keyChoice % keys.size()];
    const std::string name = names[nameChoice % names.size()];
    const RegValue value = MakeValue(typeChoice, valueBytes);

    const std::optional<CRegHive> old = CRegHive::Parse(text, kRoot);
    if (old) {
        for (const std::string& k : keys) old->HasKey(k);
        const std::string changed = old->WithValue(key, name, value);
        const std::optional<CRegHive> now = CRegHive::Parse(changed, kRoot);
        Require(now.has_value(), "a hive parses after a write");
        Require(SameValue(now->GetValue(key, name), value), "the written value reads back");
        std::optional<CRegHive> again = CRegHive::Parse(now->WithValue(key, name, value), kRoot);
        Require(again && SameValue(again->GetValue(key, name), value),
                "writing the same value again keeps it");
        for (const auto& [k, n] : pairs) {
            if (platform::RegNamesEqual(k, key) && platform::RegNamesEqual(n, name)) continue;
            Require(SameValue(old->GetValue(k, n), now->GetValue(k, n)),
                    "every other value survives the write");
        }
        for (const std::string& k : keys)
            if (old->HasKey(k)) Require(now->HasKey(k), "every key survives the write");
        Require(OnlyValueLinesRemoved(text, changed),
                "a write changes only the lines of its value");
    }
    WriteThroughFile(text, old, key, name, value);
    return 0;
}

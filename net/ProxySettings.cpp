#include "net/ProxySettings.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/Registry.h"

namespace {

using platform::CRegKey;
using platform::RegRoot;

constexpr std::string_view kInternetSettingsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr std::string_view kHexinSettingsKey =
    "SOFTWARE\\Hexin Corp\\Hexin SSL Secure Proxy\\Settings";
constexpr std::string_view kHexinCommKey = "SOFTWARE\\Hexin Corp\\Hexin SSL Secure Proxy\\Comm";
constexpr std::string_view kLocalProxyAddress = "127.0.0.1";
constexpr std::size_t kTextBufferSize = 256;

// A number: the first 4 bytes of whatever is stored, whatever its type (shorter data
// leaves the remaining bytes 0). nullopt when the value cannot be read.
std::optional<uint32_t> ReadNumber(const CRegKey& key, std::string_view name) {
    constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    std::size_t size = kUnknown;
    uint32_t number = 0;
    if (key.QueryValue(name, &number, sizeof number, &size)) return number;
    if (size == kUnknown) return std::nullopt;  // no such value
    std::vector<unsigned char> data(size);
    if (!key.QueryValue(name, data.data(), data.size())) return std::nullopt;
    std::memcpy(&number, data.data(), sizeof number);
    return number;
}

// A text read into a zeroed buffer of 256 bytes: the bytes up to the first NUL. nullopt
// when the value cannot be read or is longer than the buffer.
std::optional<std::string> ReadText(const CRegKey& key, std::string_view name) {
    std::array<char, kTextBufferSize> buffer{};
    if (!key.QueryValue(name, buffer.data(), buffer.size())) return std::nullopt;
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

}  // namespace

std::string ExtractHttpsProxy(std::string_view proxyServer) {
    if (proxyServer.starts_with(kLocalProxyAddress)) return std::string(proxyServer);
    std::string_view rest = proxyServer;
    while (true) {
        const std::size_t semicolon = rest.find(';');
        const std::string_view entry = rest.substr(0, semicolon);
        const std::size_t equals = entry.find('=');
        const std::string_view name = entry.substr(0, equals);
        if (AsciiLower(Trim(name)) == "https") {
            std::string value;
            if (equals != std::string_view::npos)
                for (char c : entry.substr(equals + 1))
                    if (c != '=') value += c;
            return value;
        }
        if (semicolon == std::string_view::npos) return std::string();
        rest.remove_prefix(semicolon + 1);
    }
}

bool GetProxySettings(ProxySettings& settings) {
    std::string httpsProxy;
    bool proxyEnabled = false;
    {
        std::optional<CRegKey> key =
            CRegKey::OpenForRead(RegRoot::CurrentUser, kInternetSettingsKey);
        if (!key) return false;
        const std::optional<uint32_t> enable = ReadNumber(*key, "ProxyEnable");
        if (!enable) return false;
        proxyEnabled = *enable != 0;
        const std::optional<std::string> server = ReadText(*key, "ProxyServer");
        if (!server) return false;
        httpsProxy = ExtractHttpsProxy(*server);
    }

    bool installed = false;
    {
        std::optional<CRegKey> key = CRegKey::OpenForRead(RegRoot::LocalMachine, kHexinSettingsKey);
        if (!key) return false;
        const std::optional<uint32_t> value = ReadNumber(*key, "Installed");
        if (!value) return false;
        installed = *value == 1;
    }

    if (!httpsProxy.starts_with(kLocalProxyAddress) || !proxyEnabled || !installed) return false;

    std::optional<CRegKey> comm = CRegKey::OpenForRead(RegRoot::LocalMachine, kHexinCommKey);
    if (!comm) return true;
    const std::optional<uint32_t> byFireWall = ReadNumber(*comm, "ByFireWall");
    settings.byFireWall = byFireWall && *byFireWall != 0;
    if (std::optional<std::string> address = ReadText(*comm, "FirewallAddr"))
        settings.firewallProxy = *address;
    if (std::optional<uint32_t> port = ReadNumber(*comm, "FirewallPort")) {
        settings.firewallProxy.append(":").append(std::to_string(*port));
    }
    // The product also keeps FirewallUser, FirewallPwd and FirewallType. They are not read:
    // no request ever sends proxy credentials, and a proxy that asks for them gets none.
    return true;
}

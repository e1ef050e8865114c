#include "net/ProxySettings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestSupport.h"

namespace {

using testing_support::CScopedEnv;
using testing_support::CTempDir;
using testing_support::WriteFile;

TEST(ExtractHttpsProxy, TakesTheValueOfTheFirstHttpsEntry) {
    struct Case {
        const char* proxyServer;
        const char* expected;
    } cases[] = {
        {"127.0.0.1:8080", "127.0.0.1:8080"},
        {"127.0.0.1:8080;https=10.0.0.1:80", "127.0.0.1:8080;https=10.0.0.1:80"},  // whole text
        {"127.0.0.10:80", "127.0.0.10:80"},  // only the first 9 characters count
        {"http=10.0.0.1:80;https=127.0.0.1:8443", "127.0.0.1:8443"},
        {"HTTPS=127.0.0.1:8443", "127.0.0.1:8443"},
        {" \tHttps =127.0.0.1:8443", "127.0.0.1:8443"},  // the name is trimmed
        {"https= 127.0.0.1:8443", " 127.0.0.1:8443"},    // the value is not
        {"https=127.0.0.1:8443 ", "127.0.0.1:8443 "},
        {"https=a=b==c", "abc"},  // further "=" are left out
        {"ftp=1;https=first;https=second", "first"},
        {"http=1;;https=2;", "2"},
        {"https", ""},  // an entry without "=" has an empty value
        {"10.0.0.1:8080", ""},
        {"http=127.0.0.1:80", ""},
        {"", ""},
        {"https2=x;xhttps=y", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtractHttpsProxy(c.proxyServer), c.expected) << c.proxyServer;
}

// The two hives, written as REGEDIT4 files into a scratch registry folder.
class ProxyDiscovery : public ::testing::Test {
  protected:
    CTempDir m_dir;
    CScopedEnv m_registry{"VOREL_REGISTRY_DIR", m_dir.Path().c_str()};

    // Each argument holds the value lines of one key, or nullptr for no such key.
    void WriteHives(const char* internetSettings, const char* hexinSettings,
                    const char* hexinComm) {
        std::string user = "REGEDIT4\r\n\r\n";
        if (internetSettings != nullptr)
            user +=
                std::string(
                    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet "
                    "Settings]\r\n") +
                internetSettings + "\r\n";
        std::string machine = "REGEDIT4\r\n\r\n";
        if (hexinSettings != nullptr)
            machine += std::string(
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hexin Corp\\Hexin SSL Secure "
                           "Proxy\\Settings]\r\n") +
                       hexinSettings + "\r\n";
        if (hexinComm != nullptr)
            machine += std::string(
                           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hexin Corp\\Hexin SSL Secure "
                           "Proxy\\Comm]\r\n") +
                       hexinComm + "\r\n";
        WriteFile(m_dir / "HKEY_CURRENT_USER.reg", user);
        WriteFile(m_dir / "HKEY_LOCAL_MACHINE.reg", machine);
    }
};

struct Outcome {
    bool detected;
    bool byFireWall;
    std::string proxy;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << "{detected " << o.detected << ", firewall " << o.byFireWall << ", \"" << o.proxy
              << "\"}";
}

constexpr const char* kLocalProxy =
    "\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"127.0.0.1:8080\"";
constexpr const char* kInstalled = "\"Installed\"=dword:00000001";

TEST_F(ProxyDiscovery, DecidesFromTheSystemSettingsAndTheHexinKeys) {
    const std::string longServer =
        "\"ProxyEnable\"=dword:1\r\n\"ProxyServer\"=\"127.0.0.1:" + std::string(246, '8') + "\"";
    const std::string fullServer =
        "\"ProxyEnable\"=dword:1\r\n\"ProxyServer\"=\"127.0.0.1:" + std::string(245, '8') + "\"";
    const std::string longAddress = "\"ByFireWall\"=dword:1\r\n\"FirewallAddr\"=\"" +
                                    std::string(300, 'a') + "\"\r\n\"FirewallPort\"=dword:50";
    struct Case {
        const char* name;
        const char* internetSettings;
        const char* hexinSettings;
        const char* hexinComm;
        Outcome expected;
    } cases[] = {
        {"local proxy, no Comm key: direct", kLocalProxy, kInstalled, nullptr, {true, false, ""}},
        {"https entry on 127.0.0.1",
         "\"ProxyEnable\"=dword:1\r\n\"ProxyServer\"=\"http=10.0.0.1:80;https=127.0.0.1:8443\"",
         kInstalled,
         nullptr,
         {true, false, ""}},
        {"https entry in capitals",
         "\"ProxyEnable\"=dword:1\r\n\"ProxyServer\"=\"HTTPS=127.0.0.1:8443\"",
         kInstalled,
         nullptr,
         {true, false, ""}},
        {"value with a leading blank",
         "\"ProxyEnable\"=dword:1\r\n\"ProxyServer\"=\"https= 127.0.0.1:8443\"",
         kInstalled,
         nullptr,
         {false, false, ""}},
        {"one proxy for all protocols",
         "\"ProxyEnable\"=dword:1\r\n\"ProxyServer\"=\"10.0.0.1:8080\"",
         kInstalled,
         nullptr,
         {false, false, ""}},
        {"proxy switched off",
         "\"ProxyEnable\"=dword:0\r\n\"ProxyServer\"=\"127.0.0.1:8080\"",
         kInstalled,
         nullptr,
         {false, false, ""}},
        {"Installed 2", kLocalProxy, "\"Installed\"=dword:00000002", nullptr, {false, false, ""}},
        {"Installed 0x101",
         kLocalProxy,
         "\"Installed\"=dword:00000101",
         nullptr,
         {false, false, ""}},
        {"no Settings key", kLocalProxy, nullptr, "\"ByFireWall\"=dword:1", {false, false, ""}},
        {"no Installed value", kLocalProxy, "\"Other\"=dword:1", nullptr, {false, false, ""}},
        {"no Internet Settings key", nullptr, kInstalled, nullptr, {false, false, ""}},
        {"no ProxyEnable",
         "\"ProxyServer\"=\"127.0.0.1:8080\"",
         kInstalled,
         nullptr,
         {false, false, ""}},
        {"no ProxyServer", "\"ProxyEnable\"=dword:1", kInstalled, nullptr, {false, false, ""}},
        {"ProxyServer of 257 bytes", longServer.c_str(), kInstalled, nullptr, {false, false, ""}},
        {"ProxyServer of 256 bytes", fullServer.c_str(), kInstalled, nullptr, {true, false, ""}},
        {"numbers are the first 4 bytes, whatever the type",
         "\"ProxyEnable\"=hex:00,01,00,00,00\r\n\"ProxyServer\"=\"127.0.0.1:8080\"",
         "\"Installed\"=hex:01",
         nullptr,
         {true, false, ""}},
        {"a text number is its bytes",
         "\"ProxyEnable\"=\"0\"\r\n\"ProxyServer\"=\"127.0.0.1:8080\"",
         kInstalled,
         nullptr,
         {true, false, ""}},
        {"an empty number is 0",
         "\"ProxyEnable\"=hex:\r\n\"ProxyServer\"=\"127.0.0.1:8080\"",
         kInstalled,
         nullptr,
         {false, false, ""}},
        {"a text stored as a number",
         "\"ProxyEnable\"=dword:1\r\n\"ProxyServer\"=dword:00003231",
         kInstalled,
         nullptr,
         {false, false, ""}},
        {"firewall proxy with port",
         kLocalProxy,
         kInstalled,
         "\"ByFireWall\"=dword:1\r\n\"FirewallAddr\"=\"10.1.1.1\"\r\n\"FirewallPort\"=dword:"
         "00000c38",
         {true, true, "10.1.1.1:3128"}},
        {"firewall port without address",
         kLocalProxy,
         kInstalled,
         "\"ByFireWall\"=dword:1\r\n\"FirewallPort\"=dword:00000c38",
         {true, true, ":3128"}},
        {"firewall address without port",
         kLocalProxy,
         kInstalled,
         "\"ByFireWall\"=dword:1\r\n\"FirewallAddr\"=\"proxy.corp\"",
         {true, true, "proxy.corp"}},
        {"firewall without address or port",
         kLocalProxy,
         kInstalled,
         "\"ByFireWall\"=dword:1",
         {true, true, ""}},
        {"ByFireWall 0: direct, the name is still read",
         kLocalProxy,
         kInstalled,
         "\"ByFireWall\"=dword:0\r\n\"FirewallAddr\"=\"10.1.1.1\"\r\n\"FirewallPort\"=dword:"
         "00000c38",
         {true, false, "10.1.1.1:3128"}},
        {"no ByFireWall value",
         kLocalProxy,
         kInstalled,
         "\"FirewallAddr\"=\"10.1.1.1\"",
         {true, false, "10.1.1.1"}},
        {"FirewallAddr too long to read",
         kLocalProxy,
         kInstalled,
         longAddress.c_str(),
         {true, true, ":80"}},
    };
    for (const Case& c : cases) {
        WriteHives(c.internetSettings, c.hexinSettings, c.hexinComm);
        ProxySettings settings;
        const bool detected = GetProxySettings(settings);
        EXPECT_EQ((Outcome{detected, settings.byFireWall, settings.firewallProxy}), c.expected)
            << c.name;
    }
}

TEST_F(ProxyDiscovery, LeavesTheCallersValuesUnlessTheCommKeyIsRead) {
    struct Case {
        const char* name;
        const char* hexinSettings;
        const char* hexinComm;
        Outcome expected;
    } cases[] = {
        {"not detected",
         "\"Installed\"=dword:0",
         "\"ByFireWall\"=dword:0",
         {false, true, "caller"}},
        {"no Comm key", kInstalled, nullptr, {true, true, "caller"}},
        {"Comm key without values", kInstalled, "", {true, false, "caller"}},
        {"Comm key with an address",
         kInstalled,
         "\"FirewallAddr\"=\"10.1.1.1\"",
         {true, false, "10.1.1.1"}},
        {"Comm key with a port",
         kInstalled,
         "\"FirewallPort\"=dword:50",
         {true, false, "caller:80"}},
    };
    for (const Case& c : cases) {
        WriteHives(kLocalProxy, c.hexinSettings, c.hexinComm);
        ProxySettings settings{true, "caller"};
        const bool detected = GetProxySettings(settings);
        EXPECT_EQ((Outcome{detected, settings.byFireWall, settings.firewallProxy}), c.expected)
            << c.name;
    }
}

TEST_F(ProxyDiscovery, MissingOrBrokenHivesMeanNotDetected) {
    ProxySettings settings;
    EXPECT_FALSE(GetProxySettings(settings)) << "no hive files";
    WriteHives(kLocalProxy, kInstalled, nullptr);
    WriteFile(m_dir / "HKEY_LOCAL_MACHINE.reg",
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hexin Corp\r\nbroken");
    EXPECT_FALSE(GetProxySettings(settings)) << "machine hive that cannot be parsed";
    WriteHives(kLocalProxy, kInstalled, nullptr);
    std::filesystem::remove(m_dir / "HKEY_CURRENT_USER.reg");
    EXPECT_FALSE(GetProxySettings(settings)) << "no user hive";
    EXPECT_EQ((Outcome{false, settings.byFireWall, settings.firewallProxy}),
              (Outcome{false, false, ""}));
}

}  // namespace

// The built program, run as a user would run it: a copy of it in a folder of its own (its
// log is written beside it), with the system, registry and temporary folders of a test and
// the environment's proxy pointing at a local server that stands in for the update server.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/HttpTestServer.h"
#include "support/ProgramProcess.h"
#include "support/TestSupport.h"

namespace {

using testing_support::CHttpTestServer;
using testing_support::CTempDir;
using testing_support::FileExists;
using testing_support::Gbk;
using testing_support::HttpReply;
using testing_support::LogMessages;
using testing_support::PeFixture;
using testing_support::ReadFile;
using testing_support::ReceivedRequest;
using testing_support::WriteFile;

constexpr const char* kManifestPath = "/download/KD/KdVorelV2.xml";
// The runs have no display: when the prompt is due the program says so on standard error
// and ends with 2; without an update it ends with 0 and needs no display at all.
constexpr int kPromptDue = 2;
constexpr int kNoPrompt = 0;

std::string Manifest(const std::string& elements) {
    return "<?xml version=\"1.0\"?><KD>" + elements + "</KD>";
}
std::string Element(const char* name, const char* value) {
    return std::string("<") + name + ">" + value + "</" + name + ">";
}

class Program : public ::testing::Test {
  protected:
    CTempDir m_root;
    CHttpTestServer m_server;
    const std::string m_program = m_root / "app/vorel";
    const std::string m_system = m_root / "system32";
    const std::string m_log = m_root / "app/KDUpdateLog.txt";

    void SetUp() override { testing_support::InstallProgramCopy(VOREL_PROGRAM, m_root.Path()); }

    void InstallComponent(const char* fixture) {
        std::filesystem::copy_file(PeFixture(fixture), m_system + "/HalvoraMain.ocx");
    }

    // Runs the copy with the given arguments; its exit status, or -1 when it did not end
    // normally within a minute (it is killed then).
    int Run(const std::vector<std::string>& args = {}) {
        const pid_t pid = testing_support::SpawnProgram(
            m_program, args,
            testing_support::ProgramEnvironment(m_root.Path(), m_server.Url(), false));
        return testing_support::WaitProgram(pid, std::chrono::minutes(1));
    }

    // The log's messages, after checking that every byte of the file belongs to a line of
    // the log's form.
    std::vector<std::string> LogLines() {
        const std::string log = ReadFile(m_log);
        std::vector<std::string> messages = LogMessages(log);
        std::size_t bytes = 0;
        for (const std::string& m : messages) bytes += 22 + 5 + m.size() + 2;
        EXPECT_EQ(bytes, log.size()) << "every line is \"[stamp]     message\\r\\n\"";
        return messages;
    }

    const std::vector<std::string> kRegistryReadFailed = {Gbk("读取注册表失败!"),
                                                          Gbk("读取注册表失败!")};
};

TEST_F(Program, WithoutTheComponentTheOldLogGrowsByTwoLines) {
    const std::string oldLog = "[2015- 3- 7   9: 5: 3]     " + Gbk("读取注册表失败!") + "\r\n";
    WriteFile(m_log, oldLog);
    m_server.Serve(kManifestPath,
                   HttpReply::Text(Manifest(Element("ForceInstallVersion", "9.0.0.0"))));

    EXPECT_EQ(Run(), kNoPrompt);
    const std::string log = ReadFile(m_log);
    EXPECT_TRUE(log.starts_with(oldLog)) << "not reset";
    EXPECT_EQ(LogLines(), (std::vector<std::string>{Gbk("读取注册表失败!"),
                                                    "Get OCXVersion Info Size failed! file:" +
                                                        m_system + "/HalvoraMain.ocx",
                                                    "OCX Version Error: NULL."}));
    EXPECT_TRUE(m_server.Requests().empty()) << "no manifest is fetched";
}

TEST_F(Program, FetchesTheManifestThroughTheSystemsProxy) {
    InstallComponent("component-4.0.3.12.ocx");
    m_server.Serve(kManifestPath,
                   HttpReply::Text(Manifest(Element("NormalInstallVersion", "4.0.3.12"))));
    EXPECT_EQ(Run(), kNoPrompt);

    const std::vector<ReceivedRequest> requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, std::string("http://") + VOREL_DOWNLOAD_HOST + kManifestPath);
    EXPECT_EQ(requests[0].version, "HTTP/1.0");
    EXPECT_EQ(requests[0].Header("User-Agent"),
              std::vector<std::string>{"VRN HttpRequest for Win32"});
    EXPECT_EQ(requests[0].Header("Content-Type"),
              std::vector<std::string>{"application/x-www-form-urlencoded"});
    for (const char* absent : {"Cookie", "Authorization", "Proxy-Authorization"})
        EXPECT_TRUE(requests[0].Header(absent).empty()) << absent;
}

TEST_F(Program, DecidesFromTheManifestAndStartsANewLog) {
    const std::string withNul =
        Manifest(Element("NormalInstallVersion", "4.0.3.13") + std::string(1, '\0') +
                 Element("ForceInstallVersion", "9.0.0.0"));
    struct Case {
        const char* name;
        HttpReply reply;
        std::vector<std::string> args;
        int status;
        std::vector<std::string> log;  // messages of the new log
    } cases[] = {
        {"no update due",
         HttpReply::Text(Manifest(Element("NormalInstallVersion", "4.0.3.12"))),
         {},
         kNoPrompt,
         kRegistryReadFailed},
        {"normal update, no stored state",
         HttpReply::Text(Manifest(Element("NormalInstallVersion", "4.0.3.13"))),
         {},
         kPromptDue,
         kRegistryReadFailed},
        {"forced update",
         HttpReply::Text(Manifest(Element("ForceInstallVersion", "4.0.4.0"))),
         {},
         kPromptDue,
         {}},
        {"empty body", HttpReply::Text(""), {}, kNoPrompt, kRegistryReadFailed},
        // Read whole, the forced version would skip the stored state and log nothing.
        {"body cut at its NUL byte", HttpReply::Text(withNul), {}, kPromptDue, kRegistryReadFailed},
        {"arguments are ignored",
         HttpReply::Text(Manifest(Element("NormalInstallVersion", "4.0.3.13"))),
         {"--help", "/S", "-x", ""},
         kPromptDue,
         kRegistryReadFailed},
        {"manifest missing on the server",
         HttpReply::Text("gone").WithStatus(404),
         {},
         kNoPrompt,
         {}},
        {"server drops the manifest",
         HttpReply::Pattern(5000).DroppedAfter(100),
         {},
         kNoPrompt,
         {}},
    };
    InstallComponent("component-4.0.3.12.ocx");
    for (const Case& c : cases) {
        WriteFile(m_log, "[2015- 3- 7   9: 5: 3]     line of the previous run\r\n");
        m_server.Serve(kManifestPath, c.reply);
        EXPECT_EQ(Run(c.args), c.status) << c.name;
        if (c.log.empty()) {
            EXPECT_FALSE(FileExists(m_log)) << c.name << ": nothing logged, the old log is gone";
        } else {
            EXPECT_EQ(LogLines(), c.log) << c.name;
        }
    }
}

TEST_F(Program, AStoredStateThatDealtWithTheVersionGatesANormalUpdate) {
    InstallComponent("component-4.0.3.12.ocx");
    m_server.Serve(kManifestPath,
                   HttpReply::Text(Manifest(Element("NormalInstallVersion", "4.0.3.13"))));
    WriteFile(m_root / "registry/HKEY_CURRENT_USER.reg",
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n"
              "\"NormalUpdateFlag\"=\"1\"\r\n\"LastServerOCXVersion\"=\"4.0.3.13\"\r\n");
    EXPECT_EQ(Run(), kNoPrompt);
    EXPECT_FALSE(FileExists(m_log));
}

}  // namespace

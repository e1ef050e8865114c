// The whole program under Xvfb, as a user meets it: the check, the prompt with its tip
// pages from the local server, the update with its progress, the end; the online-service
// link; a running client. The program is driven through the X display only.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>
#include <utility>

#include "ProgramRun.h"
#include "support/HttpTestServer.h"
#include "support/ScreenDriver.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

const std::string kPrompt = "哈沃拉专业版更新";
const std::string kProgress = "@500x340";  // the progress window has no title
const std::string kTips = "http://download.halvora.example/tips/";

std::string Signed(std::string_view name) {
    return ReadFile(std::string(VOREL_SIGNED_FIXTURE_DIR "/") + std::string(name));
}

std::string Html(const std::string& body) {
    return "<html><head><meta charset=\"utf-8\"></head><body style=\"margin:0;font:14px "
           "sans-serif\">" +
           body + "</body></html>";
}

// Waits for a condition, checking every 50 ms.
bool Eventually(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

// The number of pixels of a window's area close to a colour.
int PixelsNear(const platform::CImage& image, int x, int y, int w, int h, int r, int g, int b,
               int tolerance = 60) {
    int count = 0;
    for (int row = y; row < y + h && row < image.GetHeight(); ++row)
        for (int column = x; column < x + w && column < image.GetWidth(); ++column) {
            const platform::Bgra p = image.GetPixel(column, row);
            if (std::abs(p.r - r) + std::abs(p.g - g) + std::abs(p.b - b) <= tolerance) ++count;
        }
    return count;
}

void SaveForDocs(const std::string& window, const std::string& name) {
    if (const char* dir = std::getenv("VOREL_SCREENSHOT_DIR"))
        SavePng(CaptureWindow(window), std::string(dir) + "/" + name + ".png");
}

class WholeProgram : public testing::Test {
  protected:
    CTempDir m_dir;
    CHttpTestServer m_server;
    CProgramRun m_run{m_dir.Path(), m_server.Url()};

    void SetUp() override {
        fs::copy_file(PeFixture("component-4.0.2.5.ocx"), m_run.System() + "/HalvoraMain.ocx");
        Release("<NormalInstallVersion>4.0.3.12</NormalInstallVersion>");
        const auto html = [](const std::string& body) {
            return HttpReply::Text(Html(body)).WithHeader("Content-Type: text/html; charset=utf-8");
        };
        for (const char* page :
             {"NormalInstallVersionTips.htm", "ForceInstallVersionTips.htm",
              "AdvanceInstallVersionTips.htm", "4.0.2.5_SpecifyInstallVersionTips.htm"})
            m_server.Serve(std::string("/tips/") + page,
                           html(std::string("哈沃拉专业版 4.0.3.12 ") + page));
        m_server.Serve("/tips/NewVersionInfo.htm", html("<h3>新版本说明</h3><p>更快，更稳。</p>"));
        m_server.Serve("/download/KD/Setup.exe", HttpReply::Text(Signed("signed-verisign.dll")));
        m_server.Serve("/download/KD/Update.zip", HttpReply::Text(Package()));
    }

    // The manifest of a release: the given elements and the install files.
    void Release(const std::string& elements) {
        m_server.Serve(
            "/download/KD/KdVorelV2.xml",
            HttpReply::Text(
                "<?xml version=\"1.0\" encoding=\"gb2312\"?><KD>" + elements +
                "<MiniInstallVersion>4.0.0.9</MiniInstallVersion>"
                "<InstallURL>download.halvora.example/download/KD/</InstallURL>"
                "<InstallProjID>KD40</InstallProjID><InstallFileName>Setup.exe</InstallFileName>"
                "<InstallZipName>Update.zip</InstallZipName><InstallFileSize>12</InstallFileSize>"
                "<TipsURL>" +
                kTips + "</TipsURL></KD>"));
    }
    std::string Package() {
        const std::string tree = m_dir / "package";
        fs::create_directories(tree);
        WriteFile(tree + "/HalvoraMain.ocx", Signed("signed-symantec.dll"));
        EXPECT_EQ(
            std::system(("cd '" + tree + "' && zip -q -X ../Update.zip HalvoraMain.ocx").c_str()),
            0);
        return ReadFile(m_dir / "Update.zip");
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& r : m_server.Requests()) paths.push_back(r.path);
        return paths;
    }
    bool Requested(const std::string& path) const {
        const auto paths = Paths();
        return std::find(paths.begin(), paths.end(), path) != paths.end();
    }
    // Starts the program and waits for its prompt with both pages loaded.
    void StartToPrompt(const std::string& upperPage, const std::vector<std::string>& env = {}) {
        ASSERT_TRUE(m_run.Start(env));
        ASSERT_TRUE(AwaitWindow(kPrompt, 20000)) << "no prompt";
        ASSERT_TRUE(Eventually(
            [&] {
                return Requested("/tips/" + upperPage) && Requested("/tips/NewVersionInfo.htm");
            },
            15000));
        std::this_thread::sleep_for(std::chrono::milliseconds(800));  // the pages paint
    }
};

TEST_F(WholeProgram, FromTheCheckThroughTheUpdateToTheEnd) {
    StartToPrompt("NormalInstallVersionTips.htm");
    const platform::CImage prompt = CaptureWindow(kPrompt);
    SaveForDocs(kPrompt, "prompt-normal");
    EXPECT_GT(PixelsNear(prompt, 200, 348, 122, 32, 0x2a, 0x86, 0xea), 1500)
        << "update-now, normal place";
    EXPECT_GT(PixelsNear(prompt, 358, 358, 53, 12, 0x4a, 0x5a, 0x7a, 120), 40)
        << "the not-now words";

    ASSERT_TRUE(PressKeyIn(kPrompt, 0xff0d));  // Enter: update now
    ASSERT_TRUE(AwaitWindow(kProgress, 10000)) << "no progress dialog";
    ASSERT_TRUE(Eventually(
        [&] {
            return PixelsNear(CaptureWindow(kProgress), 193, 285, 109, 30, 0x2a, 0x86, 0xea) > 1500;
        },
        20000))
        << "no try-now button: the update did not succeed";
    ASSERT_TRUE(ClickIn(kProgress, 474 + 9, 6 + 9));  // the close button
    EXPECT_EQ(m_run.Wait(15000), 0) << "the program ends when the dialogs close";

    // The decision finds no stored state; the prompt finds no component beside the program.
    EXPECT_EQ(LogMessages(ReadFile(m_run.Log())),
              (std::vector<std::string>{Gbk("读取注册表失败!"), Gbk("读取注册表失败!"),
                                        "Get OCXVersion Info Size failed! file:" + m_run.Root() +
                                            "/app/HalvoraMain.ocx"}));
    EXPECT_NE(ReadFile(m_run.Root() + "/registry/HKEY_CURRENT_USER.reg")
                  .find("\"NormalUpdateFlag\"=\"0\""),
              std::string::npos);
    EXPECT_EQ(ReadFile(m_run.System() + "/HalvoraMain.ocx"), Signed("signed-symantec.dll"));
    EXPECT_EQ(m_run.Registered(), "/s " + m_run.System() + "/HalvoraMain.ocx\n");
    EXPECT_EQ(m_run.Opened(), "") << "closing does not start the client";
    std::vector<std::string> paths = Paths();
    ASSERT_EQ(paths.size(), 5u);
    EXPECT_EQ(paths[0], "/download/KD/KdVorelV2.xml");
    EXPECT_EQ(paths[3], "/download/KD/Setup.exe");
    EXPECT_EQ(paths[4], "/download/KD/Update.zip");
}

TEST_F(WholeProgram, ThePromptOfEachKind) {
    // Specified: its page carries the version of the component beside the program.
    fs::copy_file(PeFixture("component-4.0.2.5.ocx"), m_run.Root() + "/app/HalvoraMain.ocx");
    struct Case {
        const char* name;
        std::string elements, upperPage;
        bool notNow;
    } cases[] = {
        {"forced", "<ForceInstallVersion>4.0.3.0</ForceInstallVersion>",
         "ForceInstallVersionTips.htm", false},
        {"specified", "<SpecifyInstallVersion>4.0.2.1,4.0.2.5</SpecifyInstallVersion>",
         "4.0.2.5_SpecifyInstallVersionTips.htm", false},
        {"advanced", "<AdvanceInstallVersion>4.0.3.0</AdvanceInstallVersion>",
         "AdvanceInstallVersionTips.htm", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Release(c.elements);
        const std::size_t before = m_server.Requests().size();
        StartToPrompt(c.upperPage);
        const auto paths = Paths();
        EXPECT_EQ(std::count(paths.begin() + static_cast<long>(before), paths.end(),
                             "/tips/NormalInstallVersionTips.htm"),
                  0);
        const platform::CImage prompt = CaptureWindow(kPrompt);
        SaveForDocs(kPrompt, std::string("prompt-") + c.name);
        EXPECT_GT(PixelsNear(prompt, 239, 348, 122, 32, 0x2a, 0x86, 0xea), 1500)
            << "update-now in the middle";
        EXPECT_EQ(PixelsNear(prompt, 358, 358, 53, 12, 0x4a, 0x5a, 0x7a, 120), 0)
            << "no not-now button";
        m_run.Kill();
        ASSERT_TRUE(AwaitWindow(kPrompt, 5000, true));
    }
}

// The token of a service address: the text between two tags.
std::string Between(const std::string& text, const std::string& open, const std::string& close) {
    const std::size_t start = text.find(open);
    const std::size_t end = text.find(close);
    if (start == std::string::npos || end == std::string::npos || end < start) return "<missing>";
    return text.substr(start + open.size(), end - start - open.size());
}

std::string UrlDecode(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// HMAC-SHA1 of text under the service key, in base64, by the openssl command.
std::string OpensslSignature(const std::string& text, const std::string& folder) {
    WriteFile(folder + "/t.txt", text);
    const std::string command = "openssl dgst -sha1 -hmac kiv807 -binary < '" + folder +
                                "/t.txt' | base64 > '" + folder + "/s.txt'";
    if (std::system(command.c_str()) != 0) return "<openssl failed>";
    std::string s = ReadFile(folder + "/s.txt");
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

TEST_F(WholeProgram, TheServiceLinkOpensSignedInTheBrowserAndOtherLinksStayInTheViews) {
    for (const char* lang : {"C.UTF-8", "zh_CN.UTF-8"}) {
        SCOPED_TRACE(lang);
        fs::remove(m_run.Root() + "/opened");
        const auto html = [](const std::string& body) {
            return HttpReply::Text(Html(body)).WithHeader("Content-Type: text/html; charset=utf-8");
        };
        // The upper page: the service link on the left half, the same link in lower case on the
        // right.
        m_server.Serve("/tips/NormalInstallVersionTips.htm",
                       html("<a href=\"" + kTips +
                            "service.htm?CallToOnlineService\" "
                            "style=\"float:left;width:50%;height:40px\">在线客服</a>"
                            "<a href=\"" +
                            kTips +
                            "lower.htm?calltoonlineservice\" "
                            "style=\"float:left;width:50%;height:40px\">lower</a>"));
        m_server.Serve(
            "/tips/NewVersionInfo.htm",
            html("<a href=\"" + kTips +
                 "news.htm?CallToOnlineService\" style=\"display:block;height:200px\">新版本</a>"));
        for (const char* page : {"service.htm?CallToOnlineService", "lower.htm?calltoonlineservice",
                                 "news.htm?CallToOnlineService"})
            m_server.Serve(std::string("/tips/") + page, html("followed"));
        StartToPrompt("NormalInstallVersionTips.htm",
                      {std::string("LANG=") + lang, std::string("LC_ALL=") + lang});

        // Both views show their links (link blue) before anything is clicked.
        ASSERT_TRUE(Eventually(
            [&] {
                const platform::CImage shown = CaptureWindow(kPrompt);
                return PixelsNear(shown, 17, 60, 283, 40, 0, 0, 0xee, 40) > 20 &&
                       PixelsNear(shown, 17, 112, 566, 216, 0, 0, 0xee, 40) > 20;
            },
            10000));
        ASSERT_TRUE(ClickIn(kPrompt, 100, 80));  // the service link in the upper view
        ASSERT_TRUE(Eventually([&] { return !m_run.Opened().empty(); }, 5000));
        const std::time_t clicked = std::time(nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ASSERT_TRUE(ClickIn(kPrompt, 450, 80));   // the lower-case link: followed inside the view
        ASSERT_TRUE(ClickIn(kPrompt, 300, 200));  // the link in the lower view: followed inside it
        EXPECT_TRUE(Eventually(
            [&] {
                return Requested("/tips/lower.htm?calltoonlineservice") &&
                       Requested("/tips/news.htm?CallToOnlineService");
            },
            5000));
        EXPECT_FALSE(Requested("/tips/service.htm?CallToOnlineService"))
            << "the upper view did not go there";

        std::string opened = m_run.Opened();
        ASSERT_EQ(std::count(opened.begin(), opened.end(), '\n'), 1) << opened;
        opened.pop_back();
        const std::string prefix =
            "https://" VOREL_SERVICE_HOST "/DUR2012/Service.aspx?hdType=Normal&hdToken=";
        ASSERT_EQ(opened.rfind(prefix, 0), 0u) << opened;
        const std::string encoded = opened.substr(prefix.size());
        EXPECT_EQ(encoded.find_first_of(" </"), std::string::npos);
        EXPECT_EQ(std::count(encoded.begin(), encoded.end(), '+'), 4);
        const std::string token = UrlDecode(encoded);
        const std::string t = Between(token, "<Systime>", "</Systime>");
        const std::string s = Between(token, "<Verify>", "</Verify>");
        EXPECT_EQ(
            token,
            "<?xml version=\"1.0\" encoding=\"gb2312\"?><Token><IDType></IDType><ID></ID>"
            "<CardIDList></CardIDList><Name></Name><From>D</From><Systime>" +
                t + "</Systime><Verify_Type>HMAC_SHA1</Verify_Type><Verify>" + s +
                "</Verify><svcType>E</svcType><ErrCode></ErrCode><TransCode></TransCode></Token>");
        // The time text: the test's own local time, within a second or two, weekday in English.
        bool near = false;
        for (std::time_t moment = clicked - 3; moment <= clicked + 1; ++moment) {
            std::tm tm{};
            ::localtime_r(&moment, &tm);
            static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};
            char expected[64];
            std::snprintf(expected, sizeof expected, "%04d-%02d-%02d %02d:%02d:%02d %s",
                          tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec, kDays[tm.tm_wday]);
            near = near || t == expected;
        }
        EXPECT_TRUE(near) << t;
        EXPECT_EQ(s, OpensslSignature(t, m_dir.Path()));
        m_run.Kill();
        ASSERT_TRUE(AwaitWindow(kPrompt, 5000, true));
    }
}

// The running client's marker, held as the client holds it; released at the latest when the
// test ends, even when it fails half-way, so that no later run finds it taken.
class CHeldMarker {
  public:
    explicit CHeldMarker(std::string name)
        : m_name(std::move(name)),
          m_fd(::shm_open(m_name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600)) {}
    ~CHeldMarker() { Release(); }
    bool Held() const { return m_fd >= 0; }
    void Release() {
        if (m_fd < 0) return;
        ::shm_unlink(m_name.c_str());
        ::close(m_fd);
        m_fd = -1;
    }

  private:
    std::string m_name;
    int m_fd;
};

TEST_F(WholeProgram, ARunningClientIsToldOfAndTheUpdateWaitsForIt) {
    CHeldMarker marker("/VRNKDMutexRunning201303071120");
    ASSERT_TRUE(marker.Held()) << "the marker is free before the test";
    StartToPrompt("NormalInstallVersionTips.htm");
    ASSERT_TRUE(PressKeyIn(kPrompt, 0xff0d));
    const std::string box = "提示";
    EXPECT_TRUE(AwaitWindow(box, 5000)) << "the message box";
    SaveForDocs(box, "client-running");
    ASSERT_TRUE(PressKeyIn(box, 0xff0d));
    EXPECT_TRUE(AwaitWindow(box, 5000, true));
    EXPECT_FALSE(WindowRect(kPrompt).Empty()) << "the prompt stays";
    EXPECT_TRUE(WindowRect(kProgress).Empty()) << "no update while the client runs";

    marker.Release();
    ASSERT_TRUE(PressKeyIn(kPrompt, 0xff0d));
    EXPECT_TRUE(AwaitWindow(kProgress, 10000)) << "now the update runs";
    m_run.Kill();
}

}  // namespace

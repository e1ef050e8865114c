#include "service/ServiceToken.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "service/OnlineServiceLink.h"
#include "support/TestSupport.h"

namespace {

using testing_support::CScopedEnv;
using testing_support::CTempDir;

// Decodes %XX and "+" (the test's own decoder, to check the encoding from the other side).
std::string UrlDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

class ServiceToken : public ::testing::Test {
  protected:
    CScopedEnv m_tz{"TZ", "Asia/Shanghai"};
    void SetUp() override { ::tzset(); }
};

// Signatures computed with `openssl dgst -sha1 -hmac kiv807 -binary | base64`.
TEST_F(ServiceToken, TheDocumentIsExactToTheByte) {
    const std::string t = "2015-03-07 09:05:02 Saturday";
    const std::string expected =
        "<?xml version=\"1.0\" "
        "encoding=\"gb2312\"?><Token><IDType></IDType><ID></ID><CardIDList></CardIDList>"
        "<Name></Name><From>D</From><Systime>2015-03-07 09:05:02 Saturday</Systime>"
        "<Verify_Type>HMAC_SHA1</Verify_Type><Verify>Kdwj4oVyelgCE+rzKpHl5mnfbnA=</"
        "Verify><svcType>E</svcType>"
        "<ErrCode></ErrCode><TransCode></TransCode></Token>";
    EXPECT_EQ(BuildServiceToken(t), expected);
    EXPECT_EQ(expected.size(), 294 + t.size());
    EXPECT_EQ(Base64EncodeDigest(HmacSha1Digest("Invalid DateTime")),
              "oKw2vEZbBbek+TzjTBtP9fbDLN8=");
}

TEST_F(ServiceToken, DigestAndBase64HaveFixedSizes) {
    EXPECT_EQ(HmacSha1Digest("").size(), 20u);
    EXPECT_EQ(Base64EncodeDigest(HmacSha1Digest("x")).size(), 28u);
    EXPECT_EQ(Base64EncodeDigest({}), "") << "no digest, no signature";
    EXPECT_EQ(Base64EncodeDigest(std::vector<uint8_t>(19)), "");
}

TEST_F(ServiceToken, TheTimeTextIsLocalZeroPaddedAndEnglish) {
    // The GUI toolkit switches the process to the user's locale; the weekday stays English.
    std::setlocale(LC_ALL, "zh_CN.UTF-8");
    struct Case {
        std::time_t moment;
        const char* text;
    } cases[] = {
        {1425690302, "2015-03-07 09:05:02 Saturday"},
        {1425657600, "2015-03-07 00:00:00 Saturday"},  // midnight in Beijing
        {1425743999, "2015-03-07 23:59:59 Saturday"},
        {1425744000, "2015-03-08 00:00:00 Sunday"},
        {0, "1970-01-01 08:00:00 Thursday"},
        {-86400, "Invalid DateTime"},  // 1969 in any time zone near ours
        {32503651200, "3000-01-01 00:00:00 Wednesday"},
        {32535187200, "Invalid DateTime"},  // 3001-01-01
    };
    for (const Case& c : cases) EXPECT_EQ(FormatServiceTime(c.moment), c.text) << c.moment;
    std::setlocale(LC_ALL, "C");
}

TEST_F(ServiceToken, TheUrlCarriesTheEncodedDocument) {
    for (std::time_t moment : {std::time_t{1425690302}, std::time_t{-86400}}) {
        const std::string url = MakeOnlineServiceUrlAt(moment);
        const std::string prefix = std::string("https://") + VOREL_SERVICE_HOST +
                                   "/DUR2012/Service.aspx?hdType=Normal&hdToken=";
        ASSERT_TRUE(url.starts_with(prefix)) << url;
        const std::string encoded = url.substr(prefix.size());
        EXPECT_EQ(UrlDecode(encoded), BuildServiceToken(FormatServiceTime(moment)));
        EXPECT_EQ(encoded.find_first_of(" </"), std::string::npos);
        const long pluses = std::count(encoded.begin(), encoded.end(), '+');
        EXPECT_EQ(pluses, moment > 0 ? 4 : 3) << "blanks of the declaration and the time text";
        EXPECT_NE(encoded.find("%3D%3C%2FVerify%3E"), std::string::npos)
            << "the signature ends in an encoded '='";
        EXPECT_NE(encoded.find("%3C%3Fxml+version%3D%221.0%22+encoding%3D%22gb2312%22%3F%3E"),
                  std::string::npos);
    }
    EXPECT_NE(MakeOnlineServiceUrlAt(1425690302)
                  .find("%3CSystime%3E2015-03-07+09%3A05%3A02+Saturday%3C%2FSystime%3E"),
              std::string::npos);
    EXPECT_EQ(MakeOnlineServiceUrlAt(1425690302), MakeOnlineServiceUrlAt(1425690302))
        << "same second, same URL";
    EXPECT_EQ(ServiceFallbackUrl(), std::string("http://") + VOREL_WEB_HOST + "/");
}

TEST(UrlEncode, AgreesWithJavasUrlEncoder) {
    std::vector<std::string> inputs;
    for (int b = 0; b < 256; ++b) inputs.push_back(std::string(1, static_cast<char>(b)));
    inputs.push_back("");
    inputs.push_back("2015-03-07 09:05:02 Saturday");
    inputs.push_back("a+b/c=d~e*f-g_h.i");
    inputs.push_back(testing_support::Gbk("瓦内尔银行哈沃拉专业版"));
    inputs.push_back(std::string("\0\x80\xff ", 4));

    CTempDir dir;
    {
        std::ofstream in(dir / "in.txt");
        for (const std::string& s : inputs) {
            for (unsigned char c : s) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02X", c);
                in << hex;
            }
            in << "\n";
        }
    }
    const char* source = VOREL_URLENCODE_REFERENCE;
    const std::string command =
        std::string("java ") + source + " < " + dir / "in.txt" + " > " + dir / "out.txt";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream out(dir / "out.txt");
    for (const std::string& s : inputs) {
        std::string reference;
        ASSERT_TRUE(std::getline(out, reference));
        EXPECT_EQ(UrlEncode(s), reference) << "input of " << s.size() << " bytes, first "
                                           << (s.empty() ? -1 : (unsigned char)s[0]);
    }
}

}  // namespace

namespace {

TEST(OnlineServiceLink, IsTheMarkerAnywhereButTheBlankPage) {
    struct Case {
        std::string url;
        bool link;
    } cases[] = {
        {"about:blank", false},
        {"http://tips.example/page.htm?CallToOnlineService", true},
        {"CallToOnlineService://x", true},
        {"http://CallToOnlineService.example/", true},
        {"http://tips.example/#CallToOnlineService", true},
        {"http://tips.example/page.htm?calltoonlineservice", false},
        {"http://tips.example/page.htm", false},
        {"", false},
        // The marker's "C" (0x43) inside a double-byte character is not the marker.
        {"http://tips.example/\x81"
         "CallToOnlineService",
         false},
        {testing_support::Gbk("http://tips.example/客服?CallToOnlineService"), true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsOnlineServiceLink(c.url), c.link) << c.url;
}

}  // namespace

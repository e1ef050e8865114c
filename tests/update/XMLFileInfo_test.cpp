#include "update/XMLFileInfo.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

std::string ElementOf(std::string_view document, std::string_view name) {
    SetManifestText(document);
    return GetElementText(name);
}

TEST(ManifestElement, CutsTheTextBetweenTheTags) {
    struct Case {
        const char* name;
        std::string document;
        const char* element;
        std::string expected;
    } cases[] = {
        {"plain", "<a><InstallZipName>Update.zip</InstallZipName></a>", "InstallZipName",
         "Update.zip"},
        {"no confusion with a longer name",
         "<InstallURLBak>b/</InstallURLBak><InstallURL>a/</InstallURL>", "InstallURL", "a/"},
        {"longer name first",
         "<XMLFileDownLoadBak>2</XMLFileDownLoadBak><XMLFileDownLoad>1</XMLFileDownLoad>",
         "XMLFileDownLoad", "1"},
        {"written twice", "<T>first</T><T>second</T>", "T", "first"},
        {"closing tag before the opening tag", "<!-- </T> --><T>value</T>", "T", ""},
        {"closing tag only in a later copy", "<T>x<T>y</T>", "T", "x<T>y"},
        {"missing closing tag", "<T>value", "T", ""},
        {"missing opening tag", "value</T>", "T", ""},
        {"attribute in the opening tag", "<T a=\"1\">value</T>", "T", ""},
        {"other letter case", "<t>value</t>", "T", ""},
        {"trimmed, inner blanks kept", "<T> \t\r\n\v\f a  b \r\n\t </T>", "T", "a  b"},
        {"markup kept verbatim", "<T> <![CDATA[x]]>&amp;<b>y</b> </T>", "T",
         "<![CDATA[x]]>&amp;<b>y</b>"},
        {"inside a comment, first", "<!-- <T>old</T> --><T>new</T>", "T", "old"},
        {"empty element", "<T></T>", "T", ""},
        {"blank element", "<T>   </T>", "T", ""},
        {"double-byte text kept", "<T>\xD5\xFD\xD4\xDA</T>", "T", "\xD5\xFD\xD4\xDA"},
        // 0x81 0x3C is not a character, but 0x95 0x3C could pass a bare byte search; the
        // lead byte 0x95 carries the "<" of "<T>" with it, so the tag is not found there.
        {"tag bytes inside a double-byte character", "\x95<T>x</T>", "T", ""},
        {"empty document", "", "T", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ElementOf(c.document, c.element), c.expected) << c.name;
}

const char kExample[] =
    "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
    "<KD>\r\n"
    "  <XMLFileDownLoad>http://download.example/download/KD/KdVorelV2.xml</XMLFileDownLoad>\r\n"
    "  <XMLFileDownLoadBak>http://backup.example/download/KD/KdVorelV2.xml</XMLFileDownLoadBak>\r\n"
    "  <ForceInstallVersion>4.0.1.0</ForceInstallVersion>\r\n"
    "  <SpecifyInstallVersion>4.0.2.5,4.0.2.7</SpecifyInstallVersion>\r\n"
    "  <SpecForceInstallVersion></SpecForceInstallVersion>\r\n"
    "  <SpecNormalInstallVersion></SpecNormalInstallVersion>\r\n"
    "  <AdvanceInstallVersion>4.0.0.0</AdvanceInstallVersion>\r\n"
    "  <NormalInstallVersion>4.0.3.12</NormalInstallVersion>\r\n"
    "  <MiniInstallVersion>4.0.0.9</MiniInstallVersion>\r\n"
    "  <InstallURL>download.example/download/KD/</InstallURL>\r\n"
    "  <InstallURLBak>backup.example/download/KD/</InstallURLBak>\r\n"
    "  <InstallProjID>KD40</InstallProjID>\r\n"
    "  <InstallFileName>Setup.exe</InstallFileName>\r\n"
    "  <InstallZipName>Update.zip</InstallZipName>\r\n"
    "  <InstallFileSize>5120</InstallFileSize>\r\n"
    "  <UpdateDate>2015-03-07</UpdateDate>\r\n"
    "  <TipsURL>http://download.example/download/KD/tips/</TipsURL>\r\n"
    "</KD>\r\n";

TEST(Manifest, FillsAllSeventeenFields) {
    SetManifestText(kExample);
    ParseManifest();
    const CXMLFileInfo& m = g_xmlFileInfo;
    EXPECT_EQ(m.XMLText, kExample);
    EXPECT_EQ(m.XMLFileDownLoad, "http://download.example/download/KD/KdVorelV2.xml");
    EXPECT_EQ(m.XMLFileDownLoadBak, "http://backup.example/download/KD/KdVorelV2.xml");
    EXPECT_EQ(m.ForceInstallVersion, "4.0.1.0");
    EXPECT_EQ(m.SpecifyInstallVersion, "4.0.2.5,4.0.2.7");
    EXPECT_EQ(m.SpecForceInstallVersion, "");
    EXPECT_EQ(m.SpecNormalInstallVersion, "");
    EXPECT_EQ(m.AdvanceInstallVersion, "4.0.0.0");
    EXPECT_EQ(m.NormalInstallVersion, "4.0.3.12");
    EXPECT_EQ(m.MiniInstallVersion, "4.0.0.9");
    EXPECT_EQ(m.InstallURL, "download.example/download/KD/");
    EXPECT_EQ(m.InstallURLBak, "backup.example/download/KD/");
    EXPECT_EQ(m.InstallProjID, "KD40");
    EXPECT_EQ(m.InstallFileName, "Setup.exe");
    EXPECT_EQ(m.InstallZipName, "Update.zip");
    EXPECT_EQ(m.InstallFileSize, "5120");
    EXPECT_EQ(m.UpdateDate, "2015-03-07");
    EXPECT_EQ(m.TipsURL, "http://download.example/download/KD/tips/");
}

TEST(Manifest, AMissingElementEmptiesWhatTheFieldHeld) {
    SetManifestText(kExample);
    ParseManifest();
    SetManifestText("<KD><InstallProjID>KD41</InstallProjID></KD>");
    ParseManifest();
    EXPECT_EQ(g_xmlFileInfo.InstallProjID, "KD41");
    EXPECT_EQ(g_xmlFileInfo.NormalInstallVersion, "");
    EXPECT_EQ(g_xmlFileInfo.TipsURL, "");
}

}  // namespace

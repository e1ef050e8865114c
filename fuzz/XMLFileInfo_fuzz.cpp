// The manifest as it arrives over plain HTTP, and the update decision made over it.
// Input: the stored update state to use (first byte), the local version (up to the first
// line break), then the manifest text.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "platform/GbkText.h"
#include "update/InstallDecision.h"
#include "update/XMLFileInfo.h"

using fuzz_support::Require;

namespace {

// Hives with no stored state, with the state "0", and with "1" for a given version.
const char* const kHives[] = {
    nullptr,
    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"=\"0\"\r\n",
    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\VRN\\KD40]\r\n\"NormalUpdateFlag\"=\"1\"\r\n"
    "\"LastServerOCXVersion\"=\"4.0.3.13\"\r\n",
};
std::string g_strRegistryDirs[3];

bool IsManifestSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Every field of the record is the trimmed text right behind its element's first opening tag.
void CheckField(const char* name, const std::string& value) {
    Require(value == GetElementText(name), "a field holds its element's text");
    if (value.empty()) return;
    Require(!IsManifestSpace(value.front()) && !IsManifestSpace(value.back()),
            "a field is trimmed");
    const std::string open = std::string("<") + name + ">";
    const std::size_t start = platform::GbkFind(g_xmlFileInfo.XMLText, open);
    Require(start != std::string::npos, "a field comes from an element that is there");
    const std::size_t at = platform::GbkFind(g_xmlFileInfo.XMLText, value, start + open.size());
    Require(at != std::string::npos, "a field is text of the document behind its tag");
    for (std::size_t i = start + open.size(); i < at; ++i)
        Require(IsManifestSpace(g_xmlFileInfo.XMLText[i]),
                "only blanks stand between the tag and the value");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (int i = 0; i < 3; ++i) {
        g_strRegistryDirs[i] = fuzz_support::ScratchFolder() + "/registry-" + std::to_string(i);
        ::mkdir(g_strRegistryDirs[i].c_str(), 0700);
        if (kHives[i] != nullptr)
            fuzz_support::WriteWholeFile(g_strRegistryDirs[i] + "/HKEY_CURRENT_USER.reg",
                                         kHives[i]);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    ::setenv("VOREL_REGISTRY_DIR", g_strRegistryDirs[data[0] % 3].c_str(), 1);
    std::string_view input = fuzz_support::AsText(data + 1, size - 1);
    const std::size_t lineEnd = input.find('\n');
    const std::string local(input.substr(0, lineEnd));
    input = lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);

    g_nForceInstall = g_nSpecifyInstall = g_nAdvanceInstall = g_nMiniInstall = 0;
    SetManifestText(input);
    ParseManifest();
    const CXMLFileInfo& m = g_xmlFileInfo;
    Require(m.XMLText == input, "the document is kept byte for byte");
    CheckField("XMLFileDownLoad", m.XMLFileDownLoad);
    CheckField("XMLFileDownLoadBak", m.XMLFileDownLoadBak);
    CheckField("ForceInstallVersion", m.ForceInstallVersion);
    CheckField("SpecifyInstallVersion", m.SpecifyInstallVersion);
    CheckField("SpecForceInstallVersion", m.SpecForceInstallVersion);
    CheckField("SpecNormalInstallVersion", m.SpecNormalInstallVersion);
    CheckField("AdvanceInstallVersion", m.AdvanceInstallVersion);
    CheckField("NormalInstallVersion", m.NormalInstallVersion);
    CheckField("MiniInstallVersion", m.MiniInstallVersion);
    CheckField("InstallURL", m.InstallURL);
    CheckField("InstallURLBak", m.InstallURLBak);
    CheckField("InstallProjID", m.InstallProjID);
    CheckField("InstallFileName", m.InstallFileName);
    CheckField("InstallZipName", m.InstallZipName);
    CheckField("InstallFileSize", m.InstallFileSize);
    CheckField("UpdateDate", m.UpdateDate);
    CheckField("TipsURL", m.TipsURL);

    const bool prompt = DecideInstallKind(local);
    for (int flag : {g_nForceInstall, g_nSpecifyInstall, g_nAdvanceInstall, g_nMiniInstall})
        Require(flag == 0 || flag == 1, "a flag is 0 or 1");
    if (local.empty())
        Require(!prompt &&
                    g_nForceInstall + g_nSpecifyInstall + g_nAdvanceInstall + g_nMiniInstall == 0,
                "no local version: no prompt and no flag");
    if (g_nForceInstall || g_nSpecifyInstall || g_nAdvanceInstall)
        Require(prompt, "a set kind shows the prompt");
    fuzz_support::DiscardLog();
    return 0;
}

#include "update/InstallDecision.h"

#include <string>

#include "common/Texts.h"
#include "common/UpdateLog.h"
#include "platform/GbkText.h"
#include "update/CompareVersion.h"
#include "update/UpdateState.h"
#include "update/XMLFileInfo.h"

int g_nForceInstall = 0;
int g_nSpecifyInstall = 0;
int g_nAdvanceInstall = 0;
int g_nMiniInstall = 0;

bool DecideInstallKind(std::string_view local) {
    const CXMLFileInfo& manifest = g_xmlFileInfo;
    if (local.empty()) {
        WriteLog(texts::Gbk(texts::kLocalVersionEmpty));
        return false;
    }
    if (CompareVersion(manifest.ForceInstallVersion, local) == 1) g_nForceInstall = 1;
    if (platform::GbkContains(manifest.SpecifyInstallVersion, local)) g_nSpecifyInstall = 1;
    if (CompareVersion(manifest.MiniInstallVersion, local) == -1) g_nMiniInstall = 1;
    if (CompareVersion(manifest.AdvanceInstallVersion, local) == 1) g_nAdvanceInstall = 1;
    if (g_nForceInstall == 1 || g_nSpecifyInstall == 1 || g_nAdvanceInstall == 1) return true;

    std::string flag, last;
    ReadRegString("NormalUpdateFlag", flag);
    ReadRegString("LastServerOCXVersion", last);
    if (CompareVersion(manifest.NormalInstallVersion, local) != 1) return false;
    if (flag.empty() || flag == "0") return true;
    return flag == "1" && last != manifest.NormalInstallVersion;
}

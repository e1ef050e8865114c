// The update manifest: seventeen element values cut out of the document text.
#pragma once

#include <string>
#include <string_view>

// The manifest record. Filled once by the update check, read by everything after it.
class CXMLFileInfo {
  public:
    virtual ~CXMLFileInfo() = default;

    std::string XMLFileDownLoad;
    std::string XMLFileDownLoadBak;
    std::string ForceInstallVersion;
    std::string SpecifyInstallVersion;
    std::string SpecForceInstallVersion;
    std::string SpecNormalInstallVersion;
    std::string AdvanceInstallVersion;
    std::string NormalInstallVersion;
    std::string MiniInstallVersion;
    std::string InstallURL;
    std::string InstallURLBak;
    std::string InstallProjID;
    std::string InstallFileName;
    std::string InstallZipName;
    std::string InstallFileSize;
    std::string UpdateDate;
    std::string TipsURL;
    std::string XMLText;  // the whole document
};

// The one manifest record of the process; constructed before the application object.
extern CXMLFileInfo g_xmlFileInfo;

// Replaces the document text of g_xmlFileInfo.
void SetManifestText(std::string_view text);

// Sets the seventeen fields of g_xmlFileInfo from its document text; a missing element
// leaves its field empty.
void ParseManifest();

// The text between the first "<name>" and the first "</name>" of the document, with
// white space trimmed at both ends; empty when either tag is missing or out of order.
std::string GetElementText(std::string_view name);

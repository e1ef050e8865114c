#include "update/XMLFileInfo.h"

#include "platform/GbkText.h"

// Constructed ahead of ordinary globals (the application object among them) and destroyed
// after them, so the record outlives everything that reads it.
__attribute__((init_priority(200))) CXMLFileInfo g_xmlFileInfo;

namespace {

bool IsManifestSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

void SetManifestText(std::string_view text) {
    g_xmlFileInfo.XMLText.assign(text);
}

std::string GetElementText(std::string_view name) {
    const std::string_view text = g_xmlFileInfo.XMLText;
    const std::string open = "<" + std::string(name) + ">";
    const std::string close = "</" + std::string(name) + ">";

    const std::size_t start = platform::GbkFind(text, open);
    if (start == std::string_view::npos) return std::string();
    // The closing tag is searched from the beginning, not from the opening tag.
    const std::size_t end = platform::GbkFind(text, close);
    const long long first = static_cast<long long>(start + open.size());
    const long long last = end == std::string_view::npos ? -1 : static_cast<long long>(end);
    if (last - first <= 0) return std::string();

    std::string_view value =
        text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(last - first));
    while (!value.empty() && IsManifestSpace(value.front())) value.remove_prefix(1);
    while (!value.empty() && IsManifestSpace(value.back())) value.remove_suffix(1);
    return std::string(value);
}

void ParseManifest() {
    struct Element {
        const char* name;
        std::string CXMLFileInfo::*field;
    };
    static const Element kElements[] = {
        {"XMLFileDownLoad", &CXMLFileInfo::XMLFileDownLoad},
        {"XMLFileDownLoadBak", &CXMLFileInfo::XMLFileDownLoadBak},
        {"ForceInstallVersion", &CXMLFileInfo::ForceInstallVersion},
        {"SpecifyInstallVersion", &CXMLFileInfo::SpecifyInstallVersion},
        {"SpecForceInstallVersion", &CXMLFileInfo::SpecForceInstallVersion},
        {"SpecNormalInstallVersion", &CXMLFileInfo::SpecNormalInstallVersion},
        {"AdvanceInstallVersion", &CXMLFileInfo::AdvanceInstallVersion},
        {"NormalInstallVersion", &CXMLFileInfo::NormalInstallVersion},
        {"MiniInstallVersion", &CXMLFileInfo::MiniInstallVersion},
        {"InstallURL", &CXMLFileInfo::InstallURL},
        {"InstallURLBak", &CXMLFileInfo::InstallURLBak},
        {"InstallProjID", &CXMLFileInfo::InstallProjID},
        {"InstallFileName", &CXMLFileInfo::InstallFileName},
        {"InstallZipName", &CXMLFileInfo::InstallZipName},
        {"InstallFileSize", &CXMLFileInfo::InstallFileSize},
        {"UpdateDate", &CXMLFileInfo::UpdateDate},
        {"TipsURL", &CXMLFileInfo::TipsURL},
    };
    for (const Element& element : kElements)
        g_xmlFileInfo.*element.field = GetElementText(element.name);
}

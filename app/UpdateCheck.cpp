#include "app/UpdateCheck.h"

#include <cstring>
#include <string>
#include <string_view>

#include "common/Texts.h"
#include "common/UpdateLog.h"
#include "net/ByteBuffer.h"
#include "net/HttpRequest.h"
#include "platform/SystemPaths.h"
#include "update/ComponentVersion.h"
#include "update/InstallDecision.h"
#include "update/XMLFileInfo.h"

namespace {

constexpr const char* kComponentFileName = "HalvoraMain.ocx";

// The manifest text: the body up to its length or its first NUL byte.
std::string_view ManifestText(const CByteBuffer& body, int length) {
    const std::string_view bytes = body.View().substr(0, static_cast<std::size_t>(length));
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

bool CheckForUpdate() {
    const std::string component = platform::GetSystemFolder() + "/" + kComponentFileName;
    const std::string localVersion = GetOCXVersion(component);
    if (localVersion.empty()) {
        // The log is not reset yet: this run's lines follow those of the previous run.
        WriteLog(texts::kOcxVersionNull);
        return false;
    }
    ResetLog();

    CByteBuffer body;
    int length = 0;
    if (HttpDownload(VOREL_DOWNLOAD_HOST, kManifestPath, body, length, nullptr) != 0) return false;

    SetManifestText(ManifestText(body, length));
    ParseManifest();
    body.Clear();

    return DecideInstallKind(localVersion);
}

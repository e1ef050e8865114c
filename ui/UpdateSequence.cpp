#include "ui/UpdateSequence.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "common/Folders.h"
#include "common/Texts.h"
#include "install/ComponentInstall.h"
#include "install/PackageExtraction.h"
#include "install/PublisherSignature.h"
#include "net/HttpRequest.h"
#include "platform/FileDescriptor.h"
#include "platform/ShellOpen.h"
#include "platform/SystemPaths.h"
#include "platform/TopLevelWindows.h"
#include "update/InstallDecision.h"
#include "update/UpdateState.h"
#include "update/XMLFileInfo.h"

namespace ui {
namespace {

// Writes the bytes to path whole or not at all: into a new file beside it that takes the
// name only once every byte is on disk, so a full disk never leaves a cut file that looks
// like a downloaded one.
bool StoreFile(const std::string& path, std::string_view bytes) {
    const std::string partial = path + ".part";
    platform::CFileDescriptor fd(
        ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd) return false;
    bool ok = true;
    // In pieces: one write of a whole large body is far slower in the kernel.
    constexpr std::size_t kPiece = 64 * 1024;
    while (ok && !bytes.empty()) {
        const ssize_t n = ::write(fd.Get(), bytes.data(), std::min(bytes.size(), kPiece));
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = fd.Close() && ok;
    if (ok && ::rename(partial.c_str(), path.c_str()) == 0) return true;
    ::unlink(partial.c_str());
    return false;
}

// Fetches host + path into the file; false when the transfer or the write fails.
bool Fetch(const std::string& host, const std::string& path, const std::string& file,
           const TransferProgress& progress) {
    CByteBuffer body;
    int length = 0;
    if (HttpDownload(host.c_str(), path.c_str(), body, length, &progress) != 0) return false;
    return StoreFile(file, body.View());
}

}  // namespace

bool IsSafeFileName(std::string_view name) {
    return !name.empty() && IsSafeNamePart(name);
}

std::string ExtractionFolderOf(std::string_view packagePath, std::string_view packageName) {
    const std::size_t dot = packageName.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::string();
    return std::string(packagePath.substr(0, packagePath.rfind('.')));
}

float ParseExpectedSize(std::string_view text) {
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    const std::string copy(text);
    return static_cast<float>(::strtod_l(copy.c_str(), nullptr, cLocale));
}

void CUpdateSequence::Run() {
    m_progress.expectedKB = ParseExpectedSize(g_xmlFileInfo.InstallFileSize);
    m_view.ShowStage(StageUpdating);
    if (!DownloadPackage()) {
        m_view.ShowStage(StageFailed);
        return;
    }

    const std::string package = m_strWorkDir + g_xmlFileInfo.InstallZipName;
    const std::string extractFolder = ExtractionFolderOf(package, g_xmlFileInfo.InstallZipName);
    DeleteDirectory(extractFolder);
    ::mkdir(extractFolder.c_str(), 0700);

    if (UnzipPackage(package, extractFolder)) {
        const std::string component = extractFolder + kComponentTail;
        if (CheckPublisherSignature(component) && g_nMiniInstall == 1 &&
            InstallComponent(platform::GetSystemFolder(), extractFolder)) {
            WriteRegString("NormalUpdateFlag", "0");
            m_view.ShowStage(StageSucceeded);
            return;
        }
    }
    // The component alone could not be replaced: the full installer takes over.
    if (RunFullInstaller()) {
        m_view.EndWithCancel();
    } else {
        m_view.ShowStage(StageFailed);
    }
}

bool CUpdateSequence::DownloadPackage() try {
    const std::string& url = g_xmlFileInfo.InstallURL;
    const std::size_t slash = url.find('/');
    const std::string host = slash == std::string::npos ? std::string() : url.substr(0, slash);
    const std::string path = slash == std::string::npos ? url : url.substr(slash);
    const std::string& installer = g_xmlFileInfo.InstallFileName;
    const std::string& package = g_xmlFileInfo.InstallZipName;
    // Both names come over plain HTTP and become files in the working folder; the package
    // also names the folder it is extracted into, which is deleted first.
    if (!IsSafeFileName(installer) || !IsSafeFileName(package) ||
        ExtractionFolderOf(package, package).empty())
        return false;

    m_strWorkDir = GetTempWorkDir(g_xmlFileInfo.InstallProjID, g_xmlFileInfo.NormalInstallVersion);
    if (m_strWorkDir.empty()) return false;
    m_view.ShowProgressBar();

    m_progress.stage = 0;
    if (!Fetch(host, path + installer, m_strWorkDir + installer, m_progress)) return false;
    m_progress.stage = 1;
    return Fetch(host, path + package, m_strWorkDir + package, m_progress);
} catch (...) {
    return false;  // out of memory on the way: the download failed
}

bool CUpdateSequence::RunFullInstaller() try {
    const std::string& installer = g_xmlFileInfo.InstallFileName;
    if (m_strWorkDir.empty() || !CheckPublisherSignature(m_strWorkDir + installer)) return false;
    if (platform::WindowId login =
            platform::FindTopLevelWindow(texts::Gbk(texts::kClientLoginWindowTitle)))
        platform::SendCloseRequest(login);
    platform::ShellOpen(installer, m_strWorkDir);
    return true;
} catch (...) {
    return false;
}

}  // namespace ui

// The update proper, as the progress dialog runs it on its timer: download the installer
// and the package, extract the package, check the component's publisher, copy and register
// the component and record that; or, when that route is closed or fails, start the signed
// full installer. It knows the dialog only through IUpdateView, so it runs without a display.
#pragma once

#include <string>
#include <string_view>

#include "net/TransferProgress.h"

namespace ui {

// Display stages of the progress dialog.
enum DisplayStage { StageInitial = 0, StageSucceeded = 1, StageFailed = 2, StageUpdating = 3 };

// What the sequence asks of the progress dialog.
class IUpdateView {
  public:
    virtual ~IUpdateView() = default;
    // Sets the controls for a display stage.
    virtual void ShowStage(DisplayStage stage) = 0;
    // Shows the progress bar.
    virtual void ShowProgressBar() = 0;
    // Ends the dialog with "cancel" (the installer has been started).
    virtual void EndWithCancel() = 0;
};

class CUpdateSequence {
  public:
    // progress is the dialog's progress record; the sequence fills its size and stage.
    CUpdateSequence(IUpdateView& view, TransferProgress& progress)
        : m_view(view), m_progress(progress) {}

    // The timer's work, after the timer is stopped and the record holds the dialog's bar
    // and label: the whole sequence, ending in a display stage or the started installer.
    void Run();

    // Fetches the installer, then the package, into a fresh working folder. True when both
    // files are stored there whole.
    bool DownloadPackage();

    // Starts the downloaded installer when its signature names the maker, after asking the
    // client's log-in window to close. True when it was accepted and handed to the shell.
    bool RunFullInstaller();

    // The working folder of this run, ending in "/"; empty until DownloadPackage runs.
    const std::string& WorkDir() const { return m_strWorkDir; }

  private:
    IUpdateView& m_view;
    TransferProgress& m_progress;
    std::string m_strWorkDir;
};

// A file name from the manifest that may be stored in the working folder: not empty, no
// separator, NUL or control character, not "." or "..".
bool IsSafeFileName(std::string_view name);

// The folder a package is extracted into: its path up to the last "."; empty when the
// name has no "." or nothing stands before it.
std::string ExtractionFolderOf(std::string_view packagePath, std::string_view packageName);

// The number at the start of text as the C runtime's atof reads it in the "C" locale,
// whatever locale the toolkit has set; 0 when there is none.
float ParseExpectedSize(std::string_view text);

}  // namespace ui

// How a running transfer shows its progress: the record the caller passes and the display
// it moves. The user interface implements the display; the engine never sees a window.
#pragma once

#include <string_view>

// One window of the progress display (the progress bar or the percentage label), as the
// engine sees it. The user interface implements it.
class IProgressControl {
  public:
    virtual ~IProgressControl() = default;
    // True while the window still exists.
    virtual bool Exists() const = 0;
    // Moves the bar to a position (0 to 100); the bar draws itself.
    virtual void SetPos(int position) = 0;
    // Replaces the label's text (ASCII, such as "42%").
    virtual void SetText(std::string_view text) = 0;
};

// The progress record of a transfer: filled by the caller, only read by the engine.
struct TransferProgress {
    float expectedKB = 0;                      // expected size in kilobytes of 1024 bytes
    IProgressControl* progressBar = nullptr;   // the bar, or null for no display
    IProgressControl* percentLabel = nullptr;  // the percentage label, or null
    int stage = 0;                             // 0 for the first transfer, 1 for the second
};

// Shows that kilobytes of the transfer have arrived. p is the percentage of the expected
// size, truncated. Stage 0: bar at p, label "p%". Any other stage: bar at p + 39 held at
// 99, label "(p+39)%". The label reads "99%" once p + 39 reaches 100. Does nothing without
// a record, a bar, or while the bar no longer exists; a label that is null or gone is left
// alone. An expected size of 0 or not a number shows bar 0 and "0%" in every stage.
void ReportProgress(const TransferProgress* progress, float kilobytes);

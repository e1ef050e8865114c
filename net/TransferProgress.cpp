#include "net/TransferProgress.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// The percentage of the expected size, truncated toward zero. An expected size of 0 or
// not a number has no percentage; 0 is shown then. Far-out values are held within a range
// where the stage offset cannot overflow.
int Percent(float kilobytes, float expectedKB) {
    if (expectedKB == 0 || std::isnan(expectedKB)) return 0;
    const float percent = kilobytes * 100.0f / expectedKB;
    if (std::isnan(percent)) return 0;
    return static_cast<int>(std::clamp(percent, -1.0e9f, 1.0e9f));
}

}  // namespace

void ReportProgress(const TransferProgress* progress, float kilobytes) {
    if (progress == nullptr || progress->progressBar == nullptr || !progress->progressBar->Exists())
        return;
    const bool unknownSize = progress->expectedKB == 0 || std::isnan(progress->expectedKB);
    const int p = Percent(kilobytes, progress->expectedKB);

    int position = p;
    int shown = p;
    if (progress->stage != 0 && !unknownSize) {
        shown = p + 39;
        position = std::min(shown, 99);
    }
    progress->progressBar->SetPos(position);

    IProgressControl* label = progress->percentLabel;
    if (label == nullptr || !label->Exists()) return;
    label->SetText(p + 39 < 100 ? std::to_string(shown) + "%" : "99%");
}

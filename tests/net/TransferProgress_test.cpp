#include "net/TransferProgress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "net/MessagePump.h"
#include "tests/net/RecordingDisplay.h"

namespace {

using net_testing::CRecordingControl;

struct Shown {
    int position;
    std::string label;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Shown& s) {
    return os << "{" << s.position << ", " << s.label << "}";
}

Shown Report(float expectedKB, int stage, float kilobytes) {
    CRecordingControl bar, label;
    TransferProgress progress{expectedKB, &bar, &label, stage};
    ReportProgress(&progress, kilobytes);
    if (bar.positions.size() != 1 || label.texts.size() != 1) return {-1000, "not shown once"};
    return {bar.positions.back(), label.texts.back()};
}

TEST(ReportProgress, MapsKilobytesToBarAndLabelByStage) {
    struct Case {
        const char* name;
        float expectedKB;
        int stage;
        float kilobytes;
        Shown expected;
    } cases[] = {
        {"512000 bytes, stage 0", 1000, 0, 512000 / 1024, {50, "50%"}},
        {"512000 bytes, stage 1", 1000, 1, 512000 / 1024, {89, "89%"}},
        {"700000 bytes, stage 0", 1000, 0, 700000 / 1024, {68, "99%"}},
        {"700000 bytes, stage 1", 1000, 1, 700000 / 1024, {99, "99%"}},
        {"stage 0, label held from 61 on", 1000, 0, 610, {61, "99%"}},
        {"stage 0, label below the hold", 1000, 0, 609, {60, "60%"}},
        {"stage 0, the bar goes past 100", 1000, 0, 1500, {150, "99%"}},
        {"any stage but 0 counts as the second", 1000, 7, 100, {49, "49%"}},
        {"truncated toward zero", 3, 0, 1, {33, "33%"}},
        {"nothing yet", 1000, 1, 0, {39, "39%"}},
        {"negative expected size", -1000, 0, 500, {-50, "-50%"}},
        {"expected size 0, stage 0", 0, 0, 500, {0, "0%"}},
        {"expected size 0, stage 1", 0, 1, 500, {0, "0%"}},
        {"expected size not a number", std::numeric_limits<float>::quiet_NaN(), 1, 500, {0, "0%"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Report(c.expectedKB, c.stage, c.kilobytes), c.expected) << c.name;
}

TEST(ReportProgress, NeedsARecordAndALiveBar) {
    ReportProgress(nullptr, 10);  // nothing to show, nothing happens

    CRecordingControl bar, label;
    TransferProgress noBar{1000, nullptr, &label, 0};
    ReportProgress(&noBar, 500);
    EXPECT_TRUE(label.texts.empty());

    bar.exists = false;
    TransferProgress goneBar{1000, &bar, &label, 0};
    ReportProgress(&goneBar, 500);
    EXPECT_TRUE(bar.positions.empty());
    EXPECT_TRUE(label.texts.empty());

    bar.exists = true;
    label.exists = false;
    ReportProgress(&goneBar, 500);
    EXPECT_EQ(bar.positions, std::vector<int>{50});
    EXPECT_TRUE(label.texts.empty()) << "a label that is gone is left alone";

    TransferProgress noLabel{1000, &bar, nullptr, 0};
    ReportProgress(&noLabel, 600);
    EXPECT_EQ(bar.positions, (std::vector<int>{50, 60}));
}

// A pump over a queue of messages; "quit" stands for the quit message.
class CQueuePump : public IMessagePump {
  public:
    std::vector<std::string> waiting, dispatched;
    int quitsPosted = 0;

    bool HasWaitingMessage() override { return !waiting.empty(); }
    bool PumpMessage() override {
        const std::string message = waiting.front();
        waiting.erase(waiting.begin());
        if (message == "quit") return false;
        dispatched.push_back(message);
        return true;
    }
    void PostQuitMessage() override { ++quitsPosted; }
};

TEST(PumpMessages, DispatchesWhatWaitsAndPostsAQuitAgain) {
    EXPECT_TRUE(PumpMessages()) << "without a pump there is nothing to do";

    CQueuePump pump;
    SetMessagePump(&pump);
    pump.waiting = {"paint", "timer"};
    EXPECT_TRUE(PumpMessages());
    EXPECT_EQ(pump.dispatched, (std::vector<std::string>{"paint", "timer"}));

    pump.dispatched.clear();
    pump.waiting = {"paint", "quit", "click"};
    EXPECT_FALSE(PumpMessages());
    EXPECT_EQ(pump.dispatched, std::vector<std::string>{"paint"});
    EXPECT_EQ(pump.quitsPosted, 1);
    EXPECT_EQ(pump.waiting, std::vector<std::string>{"click"})
        << "the rest waits for the next chunk";
    SetMessagePump(nullptr);
}

}  // namespace

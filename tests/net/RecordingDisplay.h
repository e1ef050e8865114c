// A progress display for the tests that records what the engine shows on it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "net/TransferProgress.h"

namespace net_testing {

class CRecordingControl : public IProgressControl {
  public:
    bool exists = true;
    std::vector<int> positions;
    std::vector<std::string> texts;

    bool Exists() const override { return exists; }
    void SetPos(int position) override { positions.push_back(position); }
    void SetText(std::string_view text) override { texts.emplace_back(text); }
};

}  // namespace net_testing

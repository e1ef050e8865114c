#include "service/OnlineServiceLink.h"

#include "platform/GbkText.h"
#include "platform/ShellOpen.h"
#include "service/ServiceToken.h"

namespace {

constexpr std::string_view kBlankPage = "about:blank";
constexpr std::string_view kLinkMarker = "CallToOnlineService";

}  // namespace

bool IsOnlineServiceLink(std::string_view urlGbk) {
    if (urlGbk == kBlankPage) return false;
    return platform::GbkContains(urlGbk, kLinkMarker);
}

void OpenOnlineService() {
    platform::ShellOpen(MakeOnlineServiceUrl());
}

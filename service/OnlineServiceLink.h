// The online-service link in the tip page: never followed inside the page, but opened
// signed in the user's default browser.
#pragma once

#include <string_view>

// True when a navigation to urlGbk is the online-service link: the address contains
// "CallToOnlineService" (letter case as written) and is not exactly "about:blank".
bool IsOnlineServiceLink(std::string_view urlGbk);

// Opens the signed service address (MakeOnlineServiceUrl) through the shell.
void OpenOnlineService();

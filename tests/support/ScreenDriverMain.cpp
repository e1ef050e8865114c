// vorel_screen_driver: the screen driver as a command, for the demo.
//   wait <title> <seconds>          wait until the window is shown
//   gone <title> <seconds>          wait until the window is gone
//   shot <title> <file.png>         save what the window shows
//   key <title> return|escape       press a key in the window
//   click <title> <x> <y>           click at the window's point
//   display                         succeed when the X display can be opened
// Exit status 0 on success, 1 otherwise.
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/ScreenDriver.h"

int main(int argc, char** argv) {
    using namespace testing_support;
    if (argc == 2 && std::strcmp(argv[1], "display") == 0) return CanOpenDisplay() ? 0 : 1;
    if (argc < 3) return 2;
    const std::string command = argv[1], title = argv[2];
    if (command == "wait" && argc == 4)
        return AwaitWindow(title, std::atoi(argv[3]) * 1000) ? 0 : 1;
    if (command == "gone" && argc == 4)
        return AwaitWindow(title, std::atoi(argv[3]) * 1000, true) ? 0 : 1;
    if (command == "shot" && argc == 4) return SavePng(CaptureWindow(title), argv[3]) ? 0 : 1;
    if (command == "key" && argc == 4) {
        const unsigned long keysym = std::strcmp(argv[3], "escape") == 0 ? 0xff1b : 0xff0d;
        return PressKeyIn(title, keysym) ? 0 : 1;
    }
    if (command == "click" && argc == 5)
        return ClickIn(title, std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : 1;
    return 2;
}

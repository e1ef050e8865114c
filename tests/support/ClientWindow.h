// A stand-in for a window of the client program: a top-level X window with a title, owned
// by a child process, that records the close request it receives.
#pragma once

#include <sys/types.h>

#include <string>

namespace testing_support {

class CClientWindow {
  public:
    // Maps a window titled utf8Title (in _NET_WM_NAME, or in WM_NAME when withNetName is
    // false). On WM_DELETE_WINDOW it appends closeRecord (when not empty) to the file
    // recordPath, waits closeDelayMs and destroys the window. It gives up after 20 seconds.
    CClientWindow(const std::string& utf8Title, bool withNetName = true, int closeDelayMs = 0,
                  const std::string& recordPath = std::string(),
                  const std::string& closeRecord = std::string());
    // Ends the child and waits until the server has dropped its window.
    ~CClientWindow();
    CClientWindow(const CClientWindow&) = delete;
    CClientWindow& operator=(const CClientWindow&) = delete;

    // The window, 0 when it could not be made.
    unsigned long Id() const { return m_id; }
    // The child's next report ("closed" after a close request), or "0" after timeoutMs.
    std::string ReadLine(int timeoutMs = 5000);

  private:
    void AwaitWindowGone() const;

    pid_t m_pid = -1;
    int m_fromChild = -1;
    unsigned long m_id = 0;
};

}  // namespace testing_support

// A real forward proxy for the tests: Debian's tinyproxy, started on a free port of
// 127.0.0.1 with a configuration of its own in a scratch folder, and stopped again.
#pragma once

#include <sys/types.h>

#include <string>

#include "support/TestSupport.h"

namespace testing_support {

class CTinyproxy {
  public:
    // Starts tinyproxy in the foreground; with a user name it demands that user and
    // password (basic authentication) and answers 407 without them. Aborts the test
    // program when tinyproxy does not listen within 10 seconds.
    explicit CTinyproxy(const std::string& user = "", const std::string& password = "");
    // Stops it (SIGTERM, then SIGKILL after 5 seconds) and waits for it.
    ~CTinyproxy();
    CTinyproxy(const CTinyproxy&) = delete;
    CTinyproxy& operator=(const CTinyproxy&) = delete;

    int Port() const { return m_nPort; }
    // tinyproxy's own log, for a failing test's message.
    std::string Log() const;

  private:
    CTempDir m_dir;
    int m_nPort = 0;
    pid_t m_pid = -1;
};

}  // namespace testing_support

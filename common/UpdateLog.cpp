#include "common/UpdateLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/Folders.h"
#include "platform/FileDescriptor.h"

std::string GetLogFilePath() {
    return GetModuleDir() + "KDUpdateLog.txt";
}

std::string FormatLogLine(const platform::LocalTime& t, std::string_view message) {
    char stamp[64];
    int n = std::snprintf(stamp, sizeof stamp, "[%4d-%2d-%2d  %2d:%2d:%2d]     ", t.year, t.month,
                          t.day, t.hour, t.minute, t.second);
    std::string line(stamp, n > 0 ? static_cast<size_t>(n) : 0);
    line.append(message);
    line.append("\r\n");
    return line;
}

bool WriteLog(std::string_view message) {
    try {
        platform::CFileDescriptor fd(
            ::open(GetLogFilePath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
        if (!fd) return false;
        // Held for the one write, so that two copies of the program never interleave lines.
        while (::flock(fd.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) return false;
        }
        const std::string line = FormatLogLine(platform::GetLocalTime(), message);
        std::string_view rest = line;
        while (!rest.empty()) {
            ssize_t n = ::write(fd.Get(), rest.data(), rest.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            rest.remove_prefix(static_cast<size_t>(n));
        }
        return fd.Close();
    } catch (...) {
        return false;  // out of memory: the line is lost, the caller goes on
    }
}

bool ResetLog() {
    try {
        return ::unlink(GetLogFilePath().c_str()) == 0 || errno == ENOENT;
    } catch (...) {
        return false;
    }
}

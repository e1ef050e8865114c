// The update log: "KDUpdateLog.txt" beside the program, one time-stamped line per failure.
#pragma once

#include <string>
#include <string_view>

#include "platform/LocalTime.h"

// Path of the log file: GetModuleDir() + "KDUpdateLog.txt".
std::string GetLogFilePath();

// One log line, byte for byte: "[%4d-%2d-%2d  %2d:%2d:%2d]", five blanks, the message, CR LF.
std::string FormatLogLine(const platform::LocalTime& time, std::string_view message);

// Appends one line with the current local time. Never fails visibly: false when the line
// could not be written, which no caller needs to look at.
bool WriteLog(std::string_view message);

// Deletes the log file so that this run's lines start a new one. A missing file is fine.
bool ResetLog();

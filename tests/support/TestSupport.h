// Small helpers shared by the test programs: scratch folders, environment settings, files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// A fresh folder under /tmp, deleted with its content when the object goes.
class CTempDir {
  public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    // The folder, without a trailing "/".
    const std::string& Path() const { return m_path; }
    // A path inside the folder.
    std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }

  private:
    std::string m_path;
};

// Sets (or, with nullptr, unsets) an environment variable for the object's lifetime.
class CScopedEnv {
  public:
    CScopedEnv(const char* name, const char* value);
    ~CScopedEnv();
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

  private:
    std::string m_name;
    bool m_hadValue = false;
    std::string m_oldValue;
};

bool FileExists(const std::string& path);
// The whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes the bytes, replacing the file; aborts the test program when that fails.
void WriteFile(const std::string& path, std::string_view bytes);

// Path of a component file made at build time by the MinGW resource tools.
std::string PeFixture(std::string_view name);

// The messages of a log text: each "[date  time]     message\r\n" line without its stamp
// and line break. A line that does not have that form is returned whole, marked "!BAD:".
std::vector<std::string> LogMessages(std::string_view logText);

// GBK bytes of a UTF-8 text.
std::string Gbk(std::string_view utf8);

}  // namespace testing_support

#include "support/TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "platform/GbkText.h"

namespace testing_support {

CTempDir::CTempDir() {
    std::string pattern = "/tmp/vorel-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    m_path = pattern;
}

CTempDir::~CTempDir() {
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable so they can go.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink())
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(m_path, ec);
}

CScopedEnv::CScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
        m_hadValue = true;
        m_oldValue = old;
    }
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

CScopedEnv::~CScopedEnv() {
    if (m_hadValue) {
        ::setenv(m_name.c_str(), m_oldValue.c_str(), 1);
    } else {
        ::unsetenv(m_name.c_str());
    }
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
}

std::string PeFixture(std::string_view name) {
    return std::string(VOREL_PE_FIXTURE_DIR "/") + std::string(name);
}

std::vector<std::string> LogMessages(std::string_view logText) {
    static const std::regex stamp(R"(^\[[ \d]{4}-[ \d]\d-[ \d]\d  [ \d]\d:[ \d]\d:[ \d]\d\]     )");
    std::vector<std::string> messages;
    while (!logText.empty()) {
        std::size_t end = logText.find("\r\n");
        std::string line(logText.substr(0, end));
        logText.remove_prefix(end == std::string_view::npos ? logText.size() : end + 2);
        std::smatch m;
        if (end != std::string_view::npos && std::regex_search(line, m, stamp)) {
            messages.push_back(line.substr(m.length(0)));
        } else {
            messages.push_back("!BAD:" + line);
        }
    }
    return messages;
}

std::string Gbk(std::string_view utf8) {
    return platform::Utf8ToGbk(utf8);
}

}  // namespace testing_support

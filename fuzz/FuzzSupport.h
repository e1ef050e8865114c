// What the fuzz targets share: a scratch folder of their own, whole-file writes, and the
// check that stops the run when a reader breaks a promise of its header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace fuzz_support {

// A fresh folder of this process, made on first use (under /dev/shm when it exists, so that
// a file per input costs no disk) and removed with its content at exit. No trailing "/".
const std::string& ScratchFolder();

// Writes the bytes to path, replacing the file; aborts when that fails.
void WriteWholeFile(const std::string& path, std::string_view bytes);

// The input as text.
inline std::string_view AsText(const uint8_t* data, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

// The input split at its first NUL: the text before it and the text after it (empty when the
// input has no NUL). For targets that take two texts.
inline std::pair<std::string_view, std::string_view> SplitAtNul(std::string_view input) {
    const std::size_t nul = input.find('\0');
    if (nul == std::string_view::npos) return {input, std::string_view()};
    return {input.substr(0, nul), input.substr(nul + 1)};
}

// Aborts with the message when the condition does not hold, so that libFuzzer keeps the
// input that broke it.
void Require(bool condition, const char* what);

// Keeps the update log beside the fuzz target from growing: deletes it.
void DiscardLog();

}  // namespace fuzz_support

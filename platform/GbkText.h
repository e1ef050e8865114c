// Text in the ANSI code page of the target systems (GBK, code page 936).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 to GBK; every character that GBK lacks (or an invalid UTF-8 sequence) becomes "?".
std::string Utf8ToGbk(std::string_view utf8);

// GBK to UTF-8; a byte sequence that is not GBK becomes "?".
std::string GbkToUtf8(std::string_view gbk);

// UTF-16 (host byte order) to GBK, with "?" for what GBK lacks.
std::string Utf16ToGbk(std::u16string_view utf16);

// GBK to UTF-16 (host byte order), with "?" for invalid bytes.
std::u16string GbkToUtf16(std::string_view gbk);

// True when byte c starts a double-byte GBK character.
constexpr bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// Position of the first occurrence of needle in text at or after from, where both texts
// are walked as GBK characters: a match never starts on the second byte of a double-byte
// character. from must lie on a character boundary. npos when there is none; an empty
// needle is found at from (if from <= size).
std::size_t GbkFind(std::string_view text, std::string_view needle, std::size_t from = 0);

// True when text contains needle as whole GBK characters.
inline bool GbkContains(std::string_view text, std::string_view needle) {
    return GbkFind(text, needle) != std::string_view::npos;
}

}  // namespace platform

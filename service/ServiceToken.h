// The signed link to the maker's online service: an XML token carrying the local time and
// an HMAC-SHA1 signature of it, URL-encoded into the service address.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// HMAC-SHA1 of text under the service key: 20 bytes, or none when it cannot be computed.
std::vector<uint8_t> HmacSha1Digest(std::string_view text);

// Base64 (standard alphabet, "=" padding, no line breaks) of a 20-byte digest: 28
// characters. Empty text for any other length.
std::string Base64EncodeDigest(const std::vector<uint8_t>& digest);

// Letters, digits and "-_.*" stay, a blank becomes "+", every other byte "%XX" (upper case).
std::string UrlEncode(std::string_view text);

// The token's time text: "%Y-%m-%d %H:%M:%S " and the English weekday name, in local time,
// whatever the process locale; "Invalid DateTime" outside the years 1970 to 3000.
std::string FormatServiceTime(std::time_t moment);

// The token document for a time text, byte for byte, with its signature.
std::string BuildServiceToken(std::string_view timeText);

// The service address for the given moment; the fallback address when building fails.
std::string MakeOnlineServiceUrlAt(std::time_t moment);

// The service address for now. Never fails: on any failure the maker's home page.
std::string MakeOnlineServiceUrl();

// The address opened when the service address cannot be built: the maker's home page.
std::string ServiceFallbackUrl();

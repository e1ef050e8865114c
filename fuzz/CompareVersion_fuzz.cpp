// Version texts from the manifest and the component, compared field by field.
// Input: two version texts separated by the first NUL byte (the second may be missing).
#include <array>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "update/CompareVersion.h"

using fuzz_support::Require;

namespace {

std::string Format(const std::array<int, 4>& fields) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", fields[0], fields[1], fields[2], fields[3]);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input = fuzz_support::AsText(data, size);
    const auto [a, b] = fuzz_support::SplitAtNul(input);

    const int ab = CompareVersion(a, b);
    Require(ab == -1 || ab == 0 || ab == 1, "CompareVersion answers -1, 0 or 1");
    Require(CompareVersion(b, a) == -ab, "CompareVersion is antisymmetric");
    Require(CompareVersion(a, a) == 0, "a version equals itself");

    // The four numbers, written out again, read as the same version.
    const std::array<int, 4> fields = SplitVersion(a);
    const std::string canonical = Format(fields);
    Require(SplitVersion(canonical) == fields, "the numbers of a version survive a round trip");
    Require(CompareVersion(a, canonical) == 0, "a version equals its numbers written out");
    Require((ab == 0) == (fields == SplitVersion(b)), "equal exactly when all four numbers are");
    return 0;
}

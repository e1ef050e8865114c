// Version texts a.b.c.d compared field by field as numbers.
#pragma once

#include <array>
#include <string_view>

// The four numbers of a version text, each read as the C runtime's atoi reads it.
std::array<int, 4> SplitVersion(std::string_view version);

// 1 when a is newer than b, -1 when it is older, 0 when both are equal.
int CompareVersion(std::string_view a, std::string_view b);

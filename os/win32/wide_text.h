#pragma once
// Conversions between the tool's UTF-8 texts and the UTF-16 of the W functions.
#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The border between the wizard's UTF-8 text and the UTF-16 of the Windows API: the one
// place where text changes form on its way to or from a window.

std::wstring ToWide(std::string_view utf8);
std::string FromWide(std::wstring_view wide);
// A caption for a button or group box, where "&" would otherwise mark a mnemonic.
std::wstring LiteralCaption(std::string_view utf8);

#include "win/WideText.h"

#include "platform/FileSystem.h"

std::wstring ToWide(std::string_view utf8)
{
    return Utf16Text(utf8);
}

std::string FromWide(std::wstring_view wide)
{
    return Utf8Text(wide);
}

std::wstring LiteralCaption(std::string_view utf8)
{
    std::wstring caption;
    for (const wchar_t character : ToWide(utf8)) {
        caption += character;
        if (character == L'&') {
            caption += L'&';
        }
    }
    return caption;
}

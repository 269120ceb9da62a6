#include "tests/engine/ConversionTestSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "tools/IconvText.h"
#endif

std::string ToCp932(const std::string& utf8)
{
#ifdef _WIN32
    // Windows's own code page 932, through UTF-16.
    const int wideSize = MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                             static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        wideSize);
    const int size =
        WideCharToMultiByte(932, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, wide.data(), wideSize, text.data(), size, nullptr, nullptr);
    return text;
#else
    return ConvertWithIconv(utf8, "CP932", "UTF-8");
#endif
}

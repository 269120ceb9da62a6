#pragma once

#include <iconv.h>

#include <string>

// Text converted with the system's iconv, for programs that make test and benchmark
// inputs (the product itself converts only from code page 932, with its own table).
// Characters that cannot be converted end the conversion.
inline std::string ConvertWithIconv(const std::string& text, const char* to, const char* from)
{
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    std::string input = text;
    std::string output(text.size() * 4 + 4, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    output.resize(output.size() - outLeft);
    return output;
}

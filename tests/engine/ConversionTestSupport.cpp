#include "tests/engine/ConversionTestSupport.h"

#include "tools/IconvText.h"

std::string ToCp932(const std::string& utf8)
{
    return ConvertWithIconv(utf8, "CP932", "UTF-8");
}

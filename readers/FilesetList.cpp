#include "readers/FilesetList.h"

#include "platform/FileSystem.h"
#include "text/SjisText.h"

int ReadFilesetList(const std::filesystem::path& csvFile,
                    std::map<std::string, std::string>& filesets)
{
    StringList lines;
    if (ReadTextLines(csvFile, lines) != 0) {
        return 1;
    }
    filesets.clear();
    for (const std::string& line : lines) {
        const int first = FindByte(line, ',', 0);
        if (first < 0) {
            filesets[line] = std::string();
            continue;
        }
        const int second = FindByte(line, ',', first + 1);
        const std::size_t nameLength =
            second < 0 ? std::string::npos : static_cast<std::size_t>(second - first - 1);
        filesets[line.substr(0, static_cast<std::size_t>(first))] =
            line.substr(static_cast<std::size_t>(first) + 1, nameLength);
    }
    return 0;
}

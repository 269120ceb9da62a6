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
        const CommaSplit code = SplitAtComma(line);
        filesets[std::string(code.before)] = std::string(SplitAtComma(code.after).before);
    }
    return 0;
}

#include "engine/InputCheck.h"

#include "platform/FileSystem.h"

std::optional<InputProblem> CheckRunInputs(const std::filesystem::path& csvFile,
                                           const std::filesystem::path& dataFolder,
                                           const std::filesystem::path& dtdFolder)
{
    if (!IsRegularFile(csvFile)) {
        return InputProblem{MessageId::CsvFileMissing, csvFile};
    }
    if (!IsFolder(dataFolder)) {
        return InputProblem{MessageId::DataFolderMissing, dataFolder};
    }
    if (!IsFolder(dtdFolder)) {
        return InputProblem{MessageId::DtdFolderMissing, dtdFolder};
    }
    return std::nullopt;
}

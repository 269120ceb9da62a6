#pragma once

#include <filesystem>

// What copying the DTD files came to.
enum class DtdCopyOutcome
{
    Copied,      // every ".dtd" file was tried; a copy that failed is not reported
    NoDtdFiles,  // the DTD folder holds none
};

// Copies every ".dtd" file of `dtdFolder` into `outputFolder`, which must exist, so
// that the documents beside them validate. For UTF-8 output a copy is written in
// UTF-8 with a UTF-8 text declaration in place of the one it had; for Shift_JIS output
// the bytes are copied as they are.
[[nodiscard]] DtdCopyOutcome CopyDtdFilesTo(const std::filesystem::path& outputFolder,
                                            const std::filesystem::path& dtdFolder,
                                            bool shiftJis);

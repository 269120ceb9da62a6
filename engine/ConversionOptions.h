#pragma once

#include <filesystem>

// How a run converts: where it reads and writes, and the three output choices of the
// options page. The wizard, the batch tool and the converter all hold this one type.
struct ConversionOptions
{
    std::filesystem::path dataFolder;  // a sub-folder per fileset code
    std::filesystem::path dtdFolder;   // every ".dtd" file in it is copied
    std::filesystem::path xmlFolder;   // a sub-folder per fileset code is written
    bool shiftJisOutput = false;       // false: UTF-8
    bool integratedOutput = true;      // false: one document per feature kind
    bool skipDtdCopy = false;
    // The settings file to read; empty: the one beside the executable.
    std::filesystem::path settingsFile;
};

#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// The feature kinds chosen for one fileset: one digit per "Object" entry of the
// settings, in their order. A digit "1" to "9" chooses its entry; "0", any other byte
// and a missing digit leave it out. The wizard, the batch tool and the run all hold it
// as this type.
using FeatureSelection = std::string;

inline bool IsChosen(char digit)
{
    return digit >= '1' && digit <= '9';
}

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
    // Draw a map of each of the run's first `previewFilesets` filesets as it is
    // converted (RunReport's FilesetEntry::preview); each holds 1.8 MB until the report
    // goes. 0: none.
    int previewFilesets = 0;
    // Threads that compose a kind's records, the run's own included: a big kind is
    // spread over them and written in the order of its records, with the same bytes
    // as from one thread. 1: the run's thread alone.
    int composeThreads = 1;
    // The record lines, in bytes of input, that a composing thread takes at a time:
    // their text (about 100 KB) stays in the composing core's cache until it is written.
    std::size_t composeRunBytes = 16 * 1024;
    // The settings file to read; empty: the one beside the executable.
    std::filesystem::path settingsFile;
};

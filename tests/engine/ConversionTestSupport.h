#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/ScriptedPresenter.h"
#include "tests/TestSupport.h"
#include "engine/Conversion.h"
#include "text/Cp932.h"

// A progress sink that keeps every call as a line of text.
class RecordingProgress : public ProgressSink
{
public:
    void SetRange(int low, int high) override
    {
        calls.push_back("range " + std::to_string(low) + ".." + std::to_string(high));
    }
    void SetPosition(int position) override
    {
        calls.push_back("position " + std::to_string(position));
    }
    void Refresh(const ProgressLabels& labels) override
    {
        calls.push_back("labels " + labels.filesetCounter + " " + labels.filesetName + " | " +
                        labels.featureCounter + " " + labels.featureName);
    }
    void PumpOneMessage() override { calls.push_back("pump"); }

    std::vector<std::string> calls;
};

// UTF-8 source text as code page 932 bytes, for writing test inputs.
std::string ToCp932(const std::string& utf8);

// Lines joined with CR LF after each, as the documents are written.
inline std::string CrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

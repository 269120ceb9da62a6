#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/cli/BatchRun.h"

namespace fs = std::filesystem;

namespace {

const fs::path sourceDir = ORDEVIK_SOURCE_DIR;
const fs::path sample = sourceDir / "samples" / "demo";
const fs::path expectedRoot = sourceDir / "tests" / "data" / "expected" / "demo";

// Where two texts first differ, as "line N: <expected> | <written>", so that a failure
// names the place instead of printing two documents.
std::string FirstDifference(const std::string& expected, const std::string& written)
{
    const auto differ =
        std::mismatch(expected.begin(), expected.end(), written.begin(), written.end());
    const std::size_t at = static_cast<std::size_t>(differ.first - expected.begin());
    const std::size_t line = static_cast<std::size_t>(
        std::count(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    const std::size_t lineStart = expected.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = lineStart == std::string::npos || at == 0 ? 0 : lineStart + 1;
    const auto lineOf = [from](const std::string& text) {
        return text.substr(std::min(from, text.size()), 80);
    };
    return "byte " + std::to_string(at) + ", line " + std::to_string(line + 1) + ":\n  expected " +
           lineOf(expected) + "\n  written  " + lineOf(written);
}

}

// The documents and DTD copies of the sample in the four output forms, byte for byte as
// checked in under tests/data/expected/demo/. A change of output shows in review as a
// change of these files: after a deliberate one, convert the sample again with the
// arguments below (out = the form's folder) and commit the result.
TEST(ExpectedOutputTest, SampleInEveryOutputFormIsByteForByteAsCheckedIn)
{
    const std::map<std::string, std::vector<std::string>> forms = {
        {"utf-8", {}},
        {"utf-8-per-kind", {"--per-kind"}},
        {"shift-jis", {"--shift-jis"}},
        {"shift-jis-per-kind", {"--shift-jis", "--per-kind"}},
    };
    TempFolder folder;
    for (const auto& [form, extra] : forms) {
        SCOPED_TRACE(form);
        const fs::path out = folder.Path() / form;
        std::vector<std::string> arguments = {
            "--csv", (sample / "filesets.csv").string(), "--data", (sample / "data").string(),
            "--dtd", (sample / "dtd").string(), "--out", out.string(),
            "--settings", (sourceDir / "resources" / "ordevik.ini").string(), "--quiet"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const BatchOutcome outcome = RunBatchInProcess(arguments);
        ASSERT_EQ(0, outcome.status) << outcome.err;

        const std::map<std::string, std::string> expected = FileTree(expectedRoot / form);
        const std::map<std::string, std::string> written = FileTree(out);
        ASSERT_FALSE(expected.empty());
        std::vector<std::string> expectedNames;
        std::vector<std::string> writtenNames;
        for (const auto& file : expected) {
            expectedNames.push_back(file.first);
        }
        for (const auto& file : written) {
            writtenNames.push_back(file.first);
        }
        ASSERT_EQ(expectedNames, writtenNames);
        for (const auto& [name, bytes] : expected) {
            const std::string& writtenBytes = written.at(name);
            EXPECT_TRUE(bytes == writtenBytes) << name << " differs at "
                                               << FirstDifference(bytes, writtenBytes);
        }
    }
}

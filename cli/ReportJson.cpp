#include "cli/ReportJson.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "platform/FileSystem.h"

namespace fs = std::filesystem;
// Keys in the documented order, for people reading the file.
using json = nlohmann::ordered_json;

namespace {

// A document's path below the output folder, "/" between folders on every platform.
std::string Relative(const fs::path& path, const fs::path& outFolder)
{
    fs::path relative = path.lexically_relative(outFolder);
    if (relative.empty() || *relative.begin() == "..") {
        relative = path;
    }
    std::string text = PathText(relative);
#ifdef _WIN32
    std::replace(text.begin(), text.end(), '\\', '/');
#endif
    return text;
}

}

namespace {

json FilesetsJson(const RunReport& report, const fs::path& outFolder)
{
    json filesets = json::array();
    for (const FilesetEntry& fileset : report.filesets) {
        json kinds = json::array();
        for (const KindEntry& kind : fileset.kinds) {
            const bool written = kind.outcome == KindOutcome::Written;
            kinds.push_back({
                {"code", kind.code},
                {"name", kind.name},
                {"outcome", OutcomeName(kind.outcome)},
                {"reason", written ? json(nullptr) : json(ReasonName(kind.reason))},
                {"message", kind.message},
                {"document", written ? json(Relative(kind.document, outFolder)) : json(nullptr)},
                {"records", kind.records},
                {"stoppedRun", kind.stoppedRun},
            });
        }
        filesets.push_back({
            {"code", fileset.code},
            {"name", fileset.name},
            {"notes", fileset.notes},
            {"refused", fileset.refused},
            {"kinds", std::move(kinds)},
        });
    }
    return filesets;
}

json DocumentsJson(const RunReport& report, const fs::path& outFolder,
                   const std::vector<DocumentValidity>* validation)
{
    json documents = json::array();
    for (std::size_t i = 0; i < report.documents.size(); ++i) {
        const DocumentEntry& document = report.documents[i];
        json entry = {
            {"path", Relative(document.path, outFolder)},
            {"bytes", document.bytes},
            {"complete", document.complete},
        };
        if (validation != nullptr && i < validation->size()) {
            const DocumentValidity& validity = (*validation)[i];
            entry["validity"] = ValidityName(validity.validity);
            entry["dtd"] = validity.dtd.empty() ? json(nullptr) : json(PathText(validity.dtd));
            entry["message"] = validity.message;
            entry["line"] = validity.line;
        }
        documents.push_back(std::move(entry));
    }
    return documents;
}

}

std::string ReportJson(const RunReport& report, const fs::path& outFolder,
                       const std::vector<DocumentValidity>* validation)
{
    const RunTotals totals = report.Totals();
    const json root = {
        {"format", "ordevik-run-report"},
        {"version", 1},
        {"completed", !report.stopped},
        {"stopped", report.stopped},
        {"seconds", report.seconds},
        {"out", PathText(outFolder)},
        {"totals",
         {
             {"filesets", totals.filesets},
             {"filesetsPlanned", report.filesetsPlanned},
             {"kindsWritten", totals.kindsWritten},
             {"kindsSkipped", totals.kindsSkipped},
             {"kindsFailed", totals.kindsFailed},
             {"documents", totals.documents},
             {"bytes", totals.bytes},
             {"records", totals.records},
         }},
        {"filesets", FilesetsJson(report, outFolder)},
        {"documents", DocumentsJson(report, outFolder, validation)},
        {"validated", validation != nullptr},
    };
    // Invalid UTF-8 (a name that was not code page 932) is replaced, never a throw.
    return root.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

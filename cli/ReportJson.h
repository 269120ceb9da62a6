#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/DtdValidator.h"
#include "engine/RunReport.h"

// The run report of ordevik-batch as JSON, for scripts that convert many regions:
//
//   { "format": "ordevik-run-report", "version": 1,
//     "completed": true, "stopped": false, "seconds": 0.12, "out": "/path/to/xml",
//     "totals": { "filesets", "filesetsPlanned", "kindsWritten", "kindsSkipped",
//                 "kindsFailed", "documents", "bytes", "records" },
//     "filesets": [ { "code", "name", "notes": [...], "refused": false,
//                     "kinds": [ { "code", "name", "outcome", "reason", "message",
//                                  "document", "records", "stoppedRun" } ] } ],
//     "documents": [ { "path", "bytes", "complete", "validity", "dtd", "message",
//                      "line" } ],
//     "validated": false }
//
// "outcome" is written, skipped, failed or stopped; "reason" a ReasonName (null when
// written); "document" and document "path" are relative to
// "out" with "/" between folders; "validity" and what follows it appear only when the
// documents were validated. Texts are UTF-8.
std::string ReportJson(const RunReport& report, const std::filesystem::path& outFolder,
                       const std::vector<DocumentValidity>* validation);

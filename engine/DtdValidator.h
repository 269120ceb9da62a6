#pragma once

#include <filesystem>
#include <memory>
#include <string>

// Checks written documents against the DTD their DOCTYPE line names. Optional: a build
// without libxml2 (the Windows cross build) has no validator, and says so rather than
// claiming validity.

enum class Validity
{
    Valid,
    Invalid,     // not well-formed, or not valid against its DTD
    DtdMissing,  // the DTD it names is neither beside it nor in the DTD folder
    Unreadable,  // the document cannot be opened
};

struct DocumentValidity
{
    std::filesystem::path document;
    Validity validity = Validity::Valid;
    std::filesystem::path dtd;  // the DTD it was checked against; empty when none was found
    std::string message;        // the validator's first message (UTF-8), one line
    long line = 0;              // the document line it names; 0: none
};

// One validation at a time in a process: libxml2's entity loader is process-wide.
// "valid", "invalid", "dtd-missing" or "unreadable", for the JSON report.
const char* ValidityName(Validity validity);

class DocumentValidator
{
public:
    virtual ~DocumentValidator() = default;
    // Checks `document` against the DTD its DOCTYPE names: the file of that name beside
    // the document (the copy the run made), else the one in `dtdFolder`. Reads the
    // document as a stream, so memory does not grow with its size. Nothing is fetched
    // from the network and no other file is read.
    virtual DocumentValidity Validate(const std::filesystem::path& document,
                                      const std::filesystem::path& dtdFolder) = 0;
};

// The validator of this build, with libxml2; null when the build has none.
std::unique_ptr<DocumentValidator> MakeDtdValidator();

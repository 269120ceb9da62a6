#include "engine/DtdValidator.h"

#ifdef ORDEVIK_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>

#include "platform/FileSystem.h"
#endif

const char* ValidityName(Validity validity)
{
    switch (validity) {
    case Validity::Valid:
        return "valid";
    case Validity::Invalid:
        return "invalid";
    case Validity::DtdMissing:
        return "dtd-missing";
    case Validity::Unreadable:
        return "unreadable";
    }
    return "invalid";
}

#ifdef ORDEVIK_HAVE_LIBXML2

namespace fs = std::filesystem;

namespace {

// What one validation learns while libxml2 reads: where the DTD came from and the first
// error. libxml2 calls back through plain function pointers, so the entity loader finds
// it through this thread's pointer, set for the length of one Validate.
struct Check
{
    fs::path document;
    fs::path dtdFolder;
    fs::path dtd;
    bool dtdAsked = false;
    std::string message;
    long line = 0;
    bool failed = false;
};

thread_local Check* currentCheck = nullptr;

// Loads only the document's DTD: the file the DOCTYPE names beside the document, else
// the file of that name in the DTD folder. Anything else (other entities, the network)
// is refused.
xmlParserInputPtr LoadDtdOnly(const char* url, const char*, xmlParserCtxtPtr context)
{
    Check* check = currentCheck;
    if (check == nullptr || url == nullptr || check->dtdAsked) {
        return nullptr;
    }
    check->dtdAsked = true;
    // The name the DOCTYPE gives, without the folder libxml2 resolved it against (and
    // may have escaped).
    std::string name = url;
    name.erase(0, name.find_last_of("/\\") + 1);
    const fs::path beside = FindInputEntry(check->document.parent_path() / PathFromText(name));
    const fs::path inFolder = FindInputEntry(check->dtdFolder / PathFromText(name));
    if (IsRegularFile(beside)) {
        check->dtd = beside;
    } else if (!check->dtdFolder.empty() && IsRegularFile(inFolder)) {
        check->dtd = inFolder;
    } else {
        return nullptr;
    }
    return xmlNewInputFromFile(context, PathText(check->dtd).c_str());
}

void KeepFirstError(void* data, xmlErrorPtr error)
{
    auto* check = static_cast<Check*>(data);
    if (error == nullptr || error->level < XML_ERR_ERROR || check->failed) {
        return;
    }
    check->failed = true;
    check->line = error->line;
    check->message = error->message != nullptr ? error->message : "";
    while (!check->message.empty() &&
           (check->message.back() == '\n' || check->message.back() == ' ')) {
        check->message.pop_back();
    }
}

class LibXml2Validator : public DocumentValidator
{
public:
    LibXml2Validator() { xmlInitParser(); }

    DocumentValidity Validate(const fs::path& document, const fs::path& dtdFolder) override
    {
        DocumentValidity result;
        result.document = document;
        Check check;
        check.document = document;
        check.dtdFolder = dtdFolder;
        if (!IsRegularFile(document)) {
            result.validity = Validity::Unreadable;
            return result;
        }
        const xmlExternalEntityLoader previous = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(LoadDtdOnly);
        currentCheck = &check;
        // Line numbers past 65535 are kept; the DTD is loaded and every element checked
        // as it is read.
        xmlTextReaderPtr reader = xmlReaderForFile(
            PathText(document).c_str(), nullptr,
            XML_PARSE_DTDLOAD | XML_PARSE_DTDVALID | XML_PARSE_NONET | XML_PARSE_BIG_LINES);
        bool valid = false;
        if (reader != nullptr) {
            xmlTextReaderSetStructuredErrorHandler(reader, KeepFirstError, &check);
            int step = 1;
            while (step == 1 && !check.failed) {
                step = xmlTextReaderRead(reader);
            }
            valid = step == 0 && !check.failed && xmlTextReaderIsValid(reader) == 1;
            xmlFreeTextReader(reader);
        }
        currentCheck = nullptr;
        xmlSetExternalEntityLoader(previous);

        result.dtd = check.dtd;
        result.message = check.message;
        result.line = check.line;
        if (reader == nullptr) {
            result.validity = Validity::Unreadable;
        } else if (valid) {
            result.validity = Validity::Valid;
        } else if (check.dtd.empty() && check.dtdAsked) {
            result.validity = Validity::DtdMissing;
        } else {
            result.validity = Validity::Invalid;
        }
        return result;
    }
};

}

std::unique_ptr<DocumentValidator> MakeDtdValidator()
{
    return std::make_unique<LibXml2Validator>();
}

#else

std::unique_ptr<DocumentValidator> MakeDtdValidator()
{
    return nullptr;
}

#endif

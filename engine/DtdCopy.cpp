#include "engine/DtdCopy.h"

#include <vector>

#include "platform/FileSystem.h"
#include "text/StringList.h"
#include "xmlout/FeatureWriter.h"
#include "xmlout/OutputFile.h"
#include "xmlout/XmlBuilder.h"

namespace fs = std::filesystem;

namespace {

// The DTD as UTF-8 text under a UTF-8 text declaration.
void WriteUtf8Copy(const fs::path& source, const fs::path& target)
{
    StringList lines;
    if (ReadTextLines(source, lines) != 0) {
        return;
    }
    // Only a text declaration gives way to the UTF-8 one; no DTD content is lost.
    if (!lines.empty() && lines.front().rfind("<?xml", 0) == 0) {
        lines.pop_front();
    }
    lines.push_front(FeatureWriter::BuildXmlDeclaration(false));
    OutputFile copy;
    if (copy.Open(target, OutputFile::Mode::Create)) {
        XmlBuilder::WriteLines(lines, copy, 0, 0, 0, false);
        copy.Close();
    }
}

}

DtdCopyOutcome CopyDtdFilesTo(const fs::path& outputFolder, const fs::path& dtdFolder,
                              bool shiftJis)
{
    const std::vector<fs::path> dtdFiles = ListFilesWithSuffix(dtdFolder, ".dtd");
    if (dtdFiles.empty()) {
        return DtdCopyOutcome::NoDtdFiles;
    }
    for (const fs::path& source : dtdFiles) {
        const fs::path target = outputFolder / source.filename();
        // Copy failures are not reported; the documents are written all the same.
        if (shiftJis) {
            CopyFileOverwrite(source, target);
        } else {
            WriteUtf8Copy(source, target);
        }
    }
    return DtdCopyOutcome::Copied;
}

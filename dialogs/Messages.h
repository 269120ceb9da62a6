#pragma once

#include <string>
#include <string_view>

// Every message a dialog of the system shows, by a name that stays when a text is
// reworded. Front ends decide by this name (which answer the batch tool gives, which
// warning it prints once), never by searching the text.
enum class MessageId
{
    None,                 // a caller that sets no message: the line stays empty
    About,                // the about box's version line
    QuitProgram,          // the quit confirmation of the wizard
    CsvFileMissing,       // input page: a path that is missing or of the wrong kind
    DataFolderMissing,
    DtdFolderMissing,
    CreateXmlFolder,      // input page: the XML output folder is missing
    XmlFolderNotCreated,  // input page: it cannot be created, or a file stands there
    CsvFileUnreadable,    // fileset page: the CSV file cannot be read
    DtdFileMissing,       // the run: the DTD folder holds no ".dtd" file
    DataFileMissing,      // the run: subject = the data file's name
    XmlFileExists,        // the run: subject = the output file's name
    PointFileMissing,
    PointsMissing,
    MetadataFileMissing,
    MetadataMissing,
    XmlFileNotOpened,     // subject = the output file's path
    XmlFileNotWritten,    // subject = the output file's name
    FilesetCodeUnusable,  // subject = the fileset code
    KindCodeUnusable,     // subject = the kind code
};

// The text of a message in UTF-8; `subject` (UTF-8) is the file or code that the
// message names, and is ignored by messages that name none.
std::string MessageText(MessageId id, std::string_view subject = {});

#pragma once

#include <string>

#include "text/StringList.h"

class FeatureWriter;

// The lines around the records of a document, without line ends; the converter writes
// them at level 0.

// The head of a new document: the XML declaration, the DOCTYPE of the fileset's DTD,
// the GI start tag, the metadata block under `title`, the dataset start tag and the
// dataset information of `filesetCode`, then an empty line and the comment naming the
// first kind. The writer holds the fileset's metadata and settings.
StringList DocumentHead(FeatureWriter& writer, const std::string& title,
                        const std::string& filesetCode, const std::string& kindName,
                        bool shiftJis);
// What a later part of an integrated document starts with: an empty line and the
// comment naming its kind.
StringList PartHead(const std::string& kindName);
// The end of every document.
StringList DocumentClosingLines();

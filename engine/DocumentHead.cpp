#include "engine/DocumentHead.h"

#include "xmlout/FeatureWriter.h"
#include "xmlout/XmlBuilder.h"

StringList DocumentHead(FeatureWriter& writer, const std::string& title,
                        const std::string& filesetCode, const std::string& kindName,
                        bool shiftJis)
{
    StringList metadata;
    StringList datasetInformation;
    writer.BuildMetadataLines(metadata, title);
    writer.BuildDatasetInformation(datasetInformation, filesetCode, title);
    XmlBuilder::IndentLines(metadata, 1);
    XmlBuilder::IndentLines(datasetInformation, 2);

    StringList head;
    head.push_back(FeatureWriter::BuildXmlDeclaration(shiftJis));
    head.push_back(writer.BuildDoctype());
    head.push_back(XmlBuilder::StartTagWithAttributes(
        "GI", XmlBuilder::Attribute("version", writer.GetMetaData("GI_VER"))));
    head.insert(head.end(), metadata.begin(), metadata.end());
    head.push_back("  <dataset>");
    head.insert(head.end(), datasetInformation.begin(), datasetInformation.end());
    StringList first = PartHead(kindName);
    head.insert(head.end(), first.begin(), first.end());
    return head;
}

StringList PartHead(const std::string& kindName)
{
    return {"", "    " + XmlBuilder::CommentLine(kindName)};
}

StringList DocumentClosingLines()
{
    return {"  </dataset>", "</GI>"};
}

#include "xmlout/FeatureWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "text/ElementParser.h"
#include "tests/TestSupport.h"
#include "xmlout/OutputFile.h"

namespace fs = std::filesystem;

namespace {

// The bytes of the lines as written to a file: each line ends with CR LF.
std::string Crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// A surface element whose ring starts at (x0, y0) and reaches (x1, y1), every line
// behind `indent`.
StringList Surface(const std::string& indent, const std::string& startTag,
                   const std::string& endTag, const std::string& x0, const std::string& y0,
                   const std::string& x1, const std::string& y1)
{
    StringList lines = {startTag, "  <patch>", "    <CRS idref='CRS01'/>"};
    for (const std::string& corner :
         {x0 + " " + y0, x1 + " " + y0, x1 + " " + y1, x0 + " " + y1, x0 + " " + y0}) {
        lines.push_back("    <controlPoint>" + corner + "</controlPoint>");
    }
    lines.insert(lines.end(), {"    <interpolation>planar</interpolation>", "  </patch>", endTag});
    for (std::string& line : lines) {
        line.insert(0, indent);
    }
    return lines;
}

const std::string headSettings =
    "MetaData{DS_TITLE{Road map}DS_KOSHIN{2002-01-01}REMARK_CODE{CRS01}}"
    "MetaDataTemplate{metadata{title{DS_TITLE_NAME}date{DS_KOSHIN}}}"
    "DataSetTemplate{datasetInformation(id{DS_INFO_ID}){"
    "name{DS_TITLE_NAME}code{FILESET_CODE}}}";

}

class FeatureWriterTest : public testing::Test
{
protected:
    FeatureWriterTest()
    {
        fs::create_directories(folder / "data" / "F01");
        writer.SetDataFolder(folder / "data");
        writer.SetFilesetCode("F01");
    }

    // Reads the settings (code page 932 text), then the fileset's metadata file and
    // point-data file when they are given.
    void Prepare(const std::string& settings, const std::string& metadata = "",
                 const std::string& points = "")
    {
        WriteFileBytes(folder / "ordevik.ini", settings);
        ASSERT_TRUE(writer.ReadIniFile());
        writer.LoadConvertSettings();
        if (!metadata.empty()) {
            ReadMetadata(metadata);
        }
        if (!points.empty()) {
            WriteFileBytes(folder / "data" / "F01" / "F01.slp", points);
            const int count = writer.LoadPointData("RD").points;
            int counter = 0;
            for (int i = 0; i < count; ++i) {
                writer.ConvertPoint(counter);
            }
            writer.ClosePointData();
        }
    }

    void ReadMetadata(const std::string& metadata)
    {
        WriteFileBytes(folder / "data" / "F01" / "F01.slm", metadata);
        ASSERT_EQ(MetadataOutcome::Read, writer.ReadMetadataFile());
    }

    // Every byte that `write` puts into a fresh output file.
    template <typename Write>
    std::string Output(Write write)
    {
        const fs::path path = folder / "out.xml";
        {
            OutputFile file;
            EXPECT_TRUE(file.Open(path, OutputFile::Mode::Create));
            write(file);
            EXPECT_TRUE(file.Close());
        }
        return ReadFileBytes(path);
    }

    std::string Written(const std::string& record, bool shiftJis = true)
    {
        return Output([&](OutputFile& file) { writer.WriteRecord(record, file, shiftJis); });
    }

    std::string Attributes(const std::string& attributeText) const
    {
        StringMap attributes;
        ElementParser().ParseAttributes(attributeText, attributes);
        return writer.ConvertAttributes(attributes);
    }

    TempFolder folder;
    FeatureWriter writer{folder / "ordevik.ini"};
};

TEST_F(FeatureWriterTest, RoadRecordComesOutByteForByteInBothEncodings)
{
    Prepare("Convert{RD{Road}CV{Curve}NM{name}}MetaData{REMARK_CODE{CRS01}}", "",
            "0100000002000000\n0100500002002500\n0101000002005000\n");
    const std::string record = "RD(ID{RD000001}){CV(ID{CV000001}){1,2,3}NM{Route 1}}";
    const std::string expected = Crlf({
        "",
        "    <Road ID='RDF01000001'>",
        "      <Curve ID='CVF01000001'>",
        "        <CRS idref='CRS01'/>",
        "        <segment>",
        "          <controlPoint>100.0000 200.0000</controlPoint>",
        "          <controlPoint>100.5000 200.2500</controlPoint>",
        "          <controlPoint>101.0000 200.5000</controlPoint>",
        "          <interpolation>linear</interpolation>",
        "        </segment>",
        "      </Curve>",
        "      <name>Route 1</name>",
        "    </Road>",
    });
    EXPECT_EQ(expected, Written(record, true));
    EXPECT_EQ(expected, Written(record, false));
}

TEST_F(FeatureWriterTest, JapaneseValueIsWrittenInTheChosenEncoding)
{
    Prepare("Convert{RD{Road}NM{name}}");
    const std::string record = "RD{NM{\x93\xB9\x98\x48}}";  // 道路
    EXPECT_EQ(Crlf({"", "    <Road>", "      <name>\x93\xB9\x98\x48</name>", "    </Road>"}),
              Written(record, true));
    EXPECT_EQ(Crlf({"", "    <Road>", "      <name>道路</name>", "    </Road>"}),
              Written(record, false));
}

TEST_F(FeatureWriterTest, AttributesFollowTheHashOrderOfTheirOutputNames)
{
    Prepare("Convert{RD{Road}K1{key}K2{key}XX{}}MetaData{REMARK_CODE{CRS01}}");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"version{1.0}ID{RD000001}idref{REMARK_CODE}",
         " idref='CRS01' ID='RDF01000001' version='1.0'"},
        // ID and id share a bucket; the written order is that of the record.
        {"ID{AB1}id{cd}", " ID='ABF011' id='cd'"},
        {"id{cd}ID{AB1}", " id='cd' ID='ABF011'"},
        {"ID{A}", " ID='AF01'"},
        {"id{RD000001}", " id='RD000001'"},
        {"K1{a}K2{b}", " key='b'"},
        {"XX{1}kind{RD}", " kind='Road'"},
        {"note{a'b<c&amp;}", " note='a&apos;b&lt;c&amp;'"},
        {"", ""},
    };
    for (const auto& [attributeText, expected] : cases) {
        EXPECT_EQ(expected, Attributes(attributeText)) << attributeText;
    }
}

TEST_F(FeatureWriterTest, EachKindOfChildProducesItsLines)
{
    Prepare("Convert{RD_JT1{National}XX{}}MetaData{REMARK_CODE{CRS01}}", "100000,200000\n",
            "0000000000000000\n0001000000020000\n0002000000040000\n");
    // The writer of a child is chosen by its code.
    struct Case
    {
        std::string child;
        StringList expected;  // the child's lines, as they stand inside the record
    };
    const std::vector<Case> cases = {
        {"CV(ID{CV1}){3,1,3,9}",
         {"<CV ID='CVF011'>", "  <CRS idref='CRS01'/>", "  <segment>",
          "    <controlPoint>12.0000 24.0000</controlPoint>",
          "    <controlPoint>10.0000 20.0000</controlPoint>",
          "    <controlPoint>12.0000 24.0000</controlPoint>", "    <controlPoint></controlPoint>",
          "    <interpolation>linear</interpolation>", "  </segment>", "</CV>"}},
        {"PT{2,0}",
         {"<PT>", "  <CRS idref='CRS01'/>", "  <position>11.0000 22.0000</position>",
          "  <position></position>", "</PT>"}},
        {"SF(id{s1}){00012345,00067890}",
         Surface("", "<SF id='s1'>", "</SF>", "10.0000", "20.0000", "11.2345", "26.7890")},
        // A short value is read as far as it goes.
        {"SF{1234}",
         Surface("", "<SF>", "</SF>", "10.0000", "20.0000", "10.1234", "20.1234")},
        {"SF{}",
         Surface("", "<SF>", "</SF>", "10.0000", "20.0000", "10.0000", "20.0000")},
        {"PD(ID{PD1}){20010101,2002<01}",
         {"<PD ID='PDF011'>", "  <begin indeterminatePosition='before'>20010101</begin>",
          "  <begin indeterminatePosition='before'>2002&lt;01</begin>",
          "  <endPeriod indeterminatePosition='now'/>", "</PD>"}},
        {"EG(ID{EG1}){ND(idref{N1}){}XX(idref{N3})ND(a{REMARK_CODE}) }",
         {"<EG ID='EGF011'>", "  <ND idref='N1'/>", "  <ND a='CRS01'/>", "</EG>"}},
        {"ND{}", {"<ND>", "</ND>"}},
        {"XX{1,2}", {}},
        {"JT{RD_JT1}", {"<JT>National</JT>"}},
        {"SB(a{1}){RD_JT1}", {"<SB a='1'>National</SB>"}},
        {"FI{RD_JT1}", {"<FI>National</FI>"}},
        {"YU{RD_JT1}", {"<YU>National</YU>"}},
        {"SR{RD_JT1}", {"<SR>National</SR>"}},
        {"NM{RD_JT1}", {"<NM>RD_JT1</NM>"}},
        {"JT{}", {"<JT></JT>"}},
        {"JT(a{1}){}", {"<JT a='1'/>"}},
        {"NM(a{1}){}", {"<NM a='1'/>"}},
        {"NM{a<b & c &lt;}", {"<NM>a&lt;b &amp; c &lt;</NM>"}},
        {"XX{1}", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = {"", "    <RD>"};
        for (const std::string& line : c.expected) {
            lines.push_back("      " + line);
        }
        lines.push_back("    </RD>");
        EXPECT_EQ(Crlf(lines), Written("RD{" + c.child + "}")) << c.child;
    }
}

TEST_F(FeatureWriterTest, EveryOuterElementIsARecordUnlessItsNameIsSuppressed)
{
    Prepare("Convert{RD{Road}XX{}CV{}NM{name}}");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"RD(ID{R1}){NM{a}}RD(ID{R2}){NM{b}}",
         Crlf({"", "    <Road ID='R1F01'>", "      <name>a</name>", "    </Road>", "",
               "    <Road ID='R2F01'>", "      <name>b</name>", "    </Road>"})},
        {"XX(ID{X1}){NM{a}}", ""},
        // Suppressed record and child, stray text after the last child and the record.
        {"XX{NM{a}}RD{CV{1,2}NM{b} } ",
         Crlf({"", "    <Road>", "      <name>b</name>", "    </Road>"})},
        {"RD(ID{A}){}", Crlf({"", "    <Road ID='AF01'>", "    </Road>"})},
    };
    for (const auto& [record, expected] : cases) {
        EXPECT_EQ(expected, Written(record)) << record;
    }
}

TEST_F(FeatureWriterTest, HeadBlocksComeOutAsTheConverterIndentsThem)
{
    Prepare(headSettings, "1390000,350000\n125,83\n");
    StringList metadata = {"earlier"};
    writer.BuildMetadataLines(metadata, writer.DocumentTitle("Tokyo"));
    StringList dataset = {"earlier"};
    writer.BuildDatasetInformation(dataset, "F01", writer.DocumentTitle("Tokyo"));
    XmlBuilder::IndentLines(metadata, 1);
    XmlBuilder::IndentLines(dataset, 2);

    const StringList expectedMetadata = {"  <metadata>", "    <title>Road map Tokyo</title>",
                                         "    <date>2002-01-01</date>", "  </metadata>"};
    EXPECT_EQ(expectedMetadata, metadata);
    StringList expectedDataset = {"    <datasetInformation id='datasetInformationF01'>",
                                  "      <name>Road map Tokyo</name>",
                                  "      <code>datasetF01</code>", "      <datasetExtent>"};
    const StringList surface = Surface("        ", "<SF id='surfaceF01'>", "</SF>", "139.0000",
                                       "35.0000", "139.0125", "35.0083");
    expectedDataset.insert(expectedDataset.end(), surface.begin(), surface.end());
    expectedDataset.insert(expectedDataset.end(),
                           {"      </datasetExtent>", "    </datasetInformation>"});
    EXPECT_EQ(expectedDataset, dataset);
    // The template variables reach the templates only: a record value that names one
    // is looked up in the metadata, which does not hold them.
    EXPECT_EQ((std::vector<std::string>{"DS_TITLE_NAME", "FILESET_CODE", "DS_INFO_ID"}),
              (std::vector<std::string>{writer.GetMetaData("DS_TITLE_NAME"),
                                        writer.GetMetaData("FILESET_CODE"),
                                        writer.GetMetaData("DS_INFO_ID")}));
}

TEST_F(FeatureWriterTest, PerKindTitleNamesTheKindInBothEncodings)
{
    Prepare(headSettings, "1390000,350000\n125,83\n");
    StringList metadata;
    writer.BuildMetadataLines(metadata, writer.DocumentTitle("Tokyo", "\x93\xB9\x98\x48"));  // 道路
    const auto written = [&](bool shiftJis) {
        return Output([&](OutputFile& file) {
            XmlBuilder::WriteLines(metadata, file, 1, 0, 0, shiftJis);
        });
    };
    EXPECT_EQ(Crlf({"  <metadata>", "    <title>Road map Tokyo [\x93\xB9\x98\x48]</title>",
                    "    <date>2002-01-01</date>", "  </metadata>"}),
              written(true));
    EXPECT_EQ(Crlf({"  <metadata>", "    <title>Road map Tokyo [道路]</title>",
                    "    <date>2002-01-01</date>", "  </metadata>"}),
              written(false));
}

TEST_F(FeatureWriterTest, TemplateLeavesAreLookedUpAndEscapedAndStrayTextIsSkipped)
{
    Prepare("Convert{date{}ref{reference}}MetaData{DS_KOSHIN{2002-01-01}FILESET_CODE{dsF01}}");
    StringList out = {"earlier"};
    writer.ExpandTemplate("metadata{note{A&B<C}date{DS_KOSHIN}code{value{FILESET_CODE}}"
                          "plain{not a key}unset{DS_NOBODY}ref(ID{AB}key{DS_KOSHIN}){}"
                          "group(n{1}){item(k{v}){x}}empty{date{x}} }x",
                          out, 1);
    const StringList expected = {"earlier",
                                 "<metadata>",
                                 "  <note>A&amp;B&lt;C</note>",
                                 "  <code><value>dsF01</value></code>",
                                 "  <plain>not a key</plain>",
                                 "  <unset>DS_NOBODY</unset>",
                                 "  <reference key='2002-01-01' ID='ABF01'></reference>",
                                 "  <group n='1'><item k='v'>x</item></group>",
                                 "  <empty/>",
                                 "</metadata>"};
    EXPECT_EQ(expected, out);
}

TEST_F(FeatureWriterTest, ExtentIsDrawnFromTheTruncatedUnits)
{
    Prepare("Convert{SF{surface}}MetaData{REMARK_CODE{CRS01}}"
            "DataSetTemplate{datasetInformation{a{1}b{2}}}");
    struct Case
    {
        std::string scope;  // second line of the metadata file
        std::string x1;
        std::string y1;
    };
    const std::vector<Case> cases = {
        {"124.9999,83", "139.0124", "35.0083"},
        {"120000000,-83", "12139.0000", "34.9917"},
        {"1e999,-1e999", "139.0000", "35.0000"},
    };
    for (const Case& c : cases) {
        ReadMetadata("1390000,350000\n" + c.scope + "\n");
        StringList dataset;
        writer.BuildDatasetInformation(dataset, "F01", "title");
        StringList expected = {"<datasetInformation>", "  <a>1</a>", "  <b>2</b>",
                               "  <datasetExtent>"};
        const StringList surface = Surface("    ", "<surface id='surfaceF01'>", "</surface>",
                                           "139.0000", "35.0000", c.x1, c.y1);
        expected.insert(expected.end(), surface.begin(), surface.end());
        expected.insert(expected.end(), {"  </datasetExtent>", "</datasetInformation>"});
        EXPECT_EQ(expected, dataset) << c.scope;
    }
}

TEST_F(FeatureWriterTest, TemplatesWithoutDatasetInformationOrMissingGetNoExtent)
{
    Prepare("DataSetTemplate{info{a{1}b{2}}}", "1390000,350000\n125,83\n");
    StringList dataset;
    writer.BuildDatasetInformation(dataset, "F01", "title");
    EXPECT_EQ((StringList{"<info>", "  <a>1</a>", "  <b>2</b>", "</info>"}), dataset);

    Prepare("");
    StringList metadata = {"earlier"};
    writer.BuildMetadataLines(metadata, writer.DocumentTitle("Tokyo"));
    writer.BuildDatasetInformation(dataset, "F01", "title");
    EXPECT_EQ(StringList(), metadata);
    EXPECT_EQ(StringList(), dataset);
    EXPECT_EQ("DS_TITLE Tokyo", writer.DocumentTitle("Tokyo"));
}

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/Conversion.h"
#include "platform/FileSystem.h"
#include "tests/engine/ConversionTestSupport.h"

namespace fs = std::filesystem;

namespace {

const char* const settingsText = R"(# a small product line for the tests
Object{
  道路{RD}
  建物{BL}
  標高{MH}
}
Convert{
  RD(道路){Road}
  BL(建物){Building}
  MH(標高){Mesh}
  CV{Curve}
  NM{name}
}
MetaData{
  GI_VER{1.0}
  GI_DTD{settings.dtd}
  REMARK_CODE{CRS01}
  DS_TITLE{Map}
}
MetaDataTemplate{metadata{title{DS_TITLE_NAME}date{DS_KOSHIN}}}
DataSetTemplate{datasetInformation(id{DS_INFO_ID}){name{DS_TITLE_NAME}code{FILESET_CODE}}}
)";

std::vector<std::string> Head(const std::string& encoding, const std::string& doctype,
                              const std::string& code, const std::string& title,
                              const std::string& date, const std::string& comment)
{
    return {"<?xml version='1.0' encoding='" + encoding + "'?>",
            "<!DOCTYPE GI SYSTEM '" + doctype + "'>",
            "<GI version='1.0'>",
            "  <metadata>",
            "    <title>" + title + "</title>",
            "    <date>" + date + "</date>",
            "  </metadata>",
            "  <dataset>",
            "    <datasetInformation id='datasetInformation" + code + "'>",
            "      <name>" + title + "</name>",
            "      <code>dataset" + code + "</code>",
            "      <datasetExtent>",
            "        <SF id='surface" + code + "'>",
            "          <patch>",
            "            <CRS idref='CRS01'/>",
            "            <controlPoint>139.0000 35.0000</controlPoint>",
            "            <controlPoint>139.0125 35.0000</controlPoint>",
            "            <controlPoint>139.0125 35.0083</controlPoint>",
            "            <controlPoint>139.0000 35.0083</controlPoint>",
            "            <controlPoint>139.0000 35.0000</controlPoint>",
            "            <interpolation>planar</interpolation>",
            "          </patch>",
            "        </SF>",
            "      </datasetExtent>",
            "    </datasetInformation>",
            "",
            "    <!-- " + comment + " -->"};
}

std::vector<std::string> Join(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const std::vector<std::string> buildingRecord = {
    "",
    "    <Building ID='BLF01000001'>",
    "      <name>Hall &amp; &lt;Co></name>",
    "    </Building>"};

const std::vector<std::string> roadRecord = {
    "",
    "    <Road ID='RDF01000001'>",
    "      <Curve ID='CVF01000001'>",
    "        <CRS idref='CRS01'/>",
    "        <segment>",
    "          <controlPoint>139.0000 35.0000</controlPoint>",
    "          <controlPoint>139.5000 35.2500</controlPoint>",
    "          <controlPoint>140.0000 35.5000</controlPoint>",
    "          <interpolation>linear</interpolation>",
    "        </segment>",
    "      </Curve>",
    "      <name>Route 1</name>",
    "    </Road>"};

const std::vector<std::string> meshRecord = {
    "",
    "    <Mesh ID='MHF01000001'>",
    "      <PT>",
    "        <CRS idref='CRS01'/>",
    "        <position>139.1000 35.1000</position>",
    "      </PT>",
    "    </Mesh>"};

const std::vector<std::string> closing = {"", "  </dataset>", "</GI>"};

const char* const sourceDtd = "<?xml version='1.0' encoding='Shift_JIS'?>\r\n"
                              "<!-- \x93\xfa -->\r\n"
                              "<!ELEMENT GI ANY>\r\n";

class ConversionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFileBytes(Settings(), ToCp932(settingsText));
        WriteFileset("F01", "1390000,350000\r\n125,83\r\n3\r\n\r\nRoad map\r\n\r\n\r\n"
                            "2002-01-01\r\ngi.dtd\r\n");
        WriteFileBytes(folder.Path() / "dtd" / "gi.dtd", sourceDtd);
        fs::create_directories(folder.Path() / "out");
    }

    void WriteFileset(const std::string& code, const std::string& metadata)
    {
        const fs::path base = folder.Path() / "data" / code;
        WriteFileBytes(base / (code + ".slm"), metadata);
        WriteFileBytes(base / (code + ".slp"),
                   "0000000000000000\r\n0000500000002500\r\n0001000000005000\r\n");
        WriteFileBytes(base / (code + "MH.slp"), "0000100000001000\r\n");
        WriteFileBytes(base / (code + "RD.sal"),
                   "RD(ID{RD000001}){CV(ID{CV000001}){1,2,3}NM{Route 1}}\r\n");
        WriteFileBytes(base / (code + "BL.sal"), "BL(ID{BL000001}){NM{Hall & <Co>}}\r\n");
        WriteFileBytes(base / (code + "MH.sal"), "MH(ID{MH000001}){PT{1}}\r\n");
    }

    fs::path Settings() const { return folder.Path() / "settings.ini"; }
    fs::path Data(const std::string& name) const { return folder.Path() / "data" / "F01" / name; }
    fs::path Out(const std::string& name) const { return folder.Path() / "out" / "F01" / name; }

    ConversionSummary Run(const std::map<std::string, std::string>& filesets,
                          const std::string& selection = "111")
    {
        ConversionRequest request;
        request.options.dataFolder = folder.Path() / "data";
        request.options.dtdFolder = folder.Path() / "dtd";
        request.options.xmlFolder = folder.Path() / "out";
        request.selectedFilesets = filesets;
        for (const auto& entry : filesets) {
            request.featureSelection[entry.first] = selection;
        }
        request.options.shiftJisOutput = shiftJis;
        request.options.integratedOutput = integrated;
        request.options.skipDtdCopy = skipDtdCopy;
        request.options.settingsFile = Settings();
        return RunConversion(request, &presenter, progress);
    }

    ConversionSummary RunF01(const std::string& selection = "111")
    {
        return Run({{"F01", "Tokyo"}}, selection);
    }

    TempFolder folder;
    ScriptedPresenter presenter;
    RecordingProgress progress;
    bool shiftJis = false;
    bool integrated = true;
    bool skipDtdCopy = false;
};

const std::vector<std::string> integratedDocument = Join(
    Join(Join(Join(Head("UTF-8", "gi.dtd", "F01", "Road map Tokyo", "2002-01-01", "建物"),
                   buildingRecord),
              {"", "", "    <!-- 道路 -->"}),
         roadRecord),
    closing);

TEST_F(ConversionTest, IntegratedUtf8DocumentAndOwnMeshDocument)
{
    const ConversionSummary summary = RunF01();
    EXPECT_FALSE(summary.stopped);
    EXPECT_EQ(CrLf(integratedDocument), ReadFileBytes(Out("F01.xml")));
    EXPECT_EQ(CrLf(Join(Join(Head("UTF-8", "gi.dtd", "F01", "Road map Tokyo", "2002-01-01",
                                  "標高"),
                             meshRecord),
                        closing)),
              ReadFileBytes(Out("F01MH.xml")));
    // The copy carries the UTF-8 declaration in place of the source's.
    EXPECT_EQ("<?xml version='1.0' encoding='UTF-8'?>\r\n<!-- 日 -->\r\n<!ELEMENT GI ANY>\r\n",
              ReadFileBytes(Out("gi.dtd")));
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(2u, summary.filesWritten.size());
    EXPECT_EQ(3, summary.records);
}

TEST_F(ConversionTest, ShiftJisDocumentIsTheSameTextInCodePage932)
{
    shiftJis = true;
    RunF01();
    std::vector<std::string> expected = integratedDocument;
    expected[0] = "<?xml version='1.0' encoding='Shift_JIS'?>";
    EXPECT_EQ(ToCp932(CrLf(expected)), ReadFileBytes(Out("F01.xml")));
    EXPECT_EQ(sourceDtd, ReadFileBytes(Out("gi.dtd")));
}

TEST_F(ConversionTest, PerKindDocumentsNameTheKindInTheTitle)
{
    integrated = false;
    skipDtdCopy = true;
    RunF01();
    EXPECT_EQ(CrLf(Join(Join(Head("UTF-8", "gi.dtd", "F01", "Road map Tokyo [建物]",
                                  "2002-01-01", "建物"),
                             buildingRecord),
                        closing)),
              ReadFileBytes(Out("F01BL.xml")));
    EXPECT_EQ(CrLf(Join(Join(Head("UTF-8", "gi.dtd", "F01", "Road map Tokyo [道路]",
                                  "2002-01-01", "道路"),
                             roadRecord),
                        closing)),
              ReadFileBytes(Out("F01RD.xml")));
    EXPECT_TRUE(fs::exists(Out("F01MH.xml")));
    EXPECT_FALSE(fs::exists(Out("F01.xml")));
    EXPECT_FALSE(fs::exists(Out("gi.dtd")));
    EXPECT_TRUE(presenter.shown.empty());
}

TEST_F(ConversionTest, KindsRunSingleCodesReversedCommaListsAndMeshLast)
{
    WriteFileBytes(Settings(), ToCp932(std::string(settingsText) +
                                   "Object{A{CV}B{EG}C{MH}D{PT}E{,X,Y}F{P,Q,R}}"));
    for (const char* kind : {"CV", "EG", "PT", ",X,Y", "P", "Q", "R"}) {
        WriteFileBytes(Data(std::string("F01") + kind + ".sal"), "");
    }
    integrated = false;
    RunF01("111111");
    // Own documents of kinds without records stay empty.
    for (const char* kind : {"CV", "EG", "PT", "MH", ",X,Y", "P", "Q", "R"}) {
        EXPECT_TRUE(fs::exists(Out(std::string("F01") + kind + ".xml"))) << kind;
    }
    std::vector<std::string> kinds;
    for (const std::string& call : progress.calls) {
        const std::size_t slash = call.find("/8) ");
        if (call.rfind("labels", 0) == 0 && slash != std::string::npos) {
            kinds.push_back(call.substr(slash + 4));
        }
    }
    // Labels show display names: CV has a "Convert" entry without one, MH is 標高.
    EXPECT_EQ((std::vector<std::string>{"R", ",X,Y", "PT", "EG", "", "標高", "P", "Q"}), kinds);
    EXPECT_EQ("", ReadFileBytes(Out("F01CV.xml")));
}

TEST_F(ConversionTest, ProgressValuesAndLabelsOfASmallRun)
{
    integrated = false;
    skipDtdCopy = true;
    RunF01("101");
    EXPECT_EQ((std::vector<std::string>{
                  "range 0..40", "position 0", "pump", "labels (1/1) Tokyo |  ",
                  // The point-data step before the first kind: three points.
                  "position 0", "labels (1/1) Tokyo |  ポイントデータ設定", "position 13", "pump",
                  "position 26", "pump", "position 40", "pump",
                  "labels (1/1) Tokyo | (1/2) 道路", "pump", "position 0", "position 40", "pump",
                  // The mesh kind loads its own points.
                  "position 0", "labels (1/1) Tokyo |  ポイントデータ設定（メッシュ標高）",
                  "position 40", "pump", "labels (1/1) Tokyo | (2/2) 標高", "pump", "position 0",
                  "position 40", "pump"}),
              progress.calls);
}

TEST_F(ConversionTest, MissingDataFileAnswers)
{
    fs::remove(Data("F01BL.sal"));
    fs::remove(Data("F01RD.sal"));
    const std::string first = "確認: データファイル F01BL.sal がありません。";
    const std::string second = "確認: データファイル F01RD.sal がありません。";

    presenter = ScriptedPresenter({SkipDialog::Answer::Skip, SkipDialog::Answer::Skip});
    EXPECT_FALSE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{first, second}), presenter.Messages());

    presenter = ScriptedPresenter({SkipDialog::Answer::SkipAll});
    fs::remove_all(folder.Path() / "out" / "F01");
    EXPECT_FALSE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{first}), presenter.Messages());
    // Only the mesh kind is left; no integrated document was started.
    EXPECT_FALSE(fs::exists(Out("F01.xml")));
    EXPECT_TRUE(fs::exists(Out("F01MH.xml")));

    presenter = ScriptedPresenter({SkipDialog::Answer::Quit});
    fs::remove_all(folder.Path() / "out" / "F01");
    EXPECT_TRUE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{first}), presenter.Messages());
    EXPECT_FALSE(fs::exists(Out("F01MH.xml")));
}

TEST_F(ConversionTest, MissingFirstDataFileStillGivesACompleteDocument)
{
    fs::remove(Data("F01BL.sal"));
    presenter = ScriptedPresenter({SkipDialog::Answer::Skip});
    RunF01();
    EXPECT_EQ(CrLf(Join(Join(Head("UTF-8", "gi.dtd", "F01", "Road map Tokyo", "2002-01-01",
                                  "道路"),
                             roadRecord),
                        closing)),
              ReadFileBytes(Out("F01.xml")));
}

// The building part, the empty line that ends it, and the closing lines appended when
// the fileset ends without its last part having closed the document.
const std::vector<std::string> closedAtFilesetEnd =
    Join(Join(Head("UTF-8", "gi.dtd", "F01", "Road map Tokyo", "2002-01-01", "建物"),
              buildingRecord),
         {"", "", "  </dataset>", "</GI>"});

TEST_F(ConversionTest, LastPartWithoutRecordsOrMissingIsClosedAtFilesetEnd)
{
    WriteFileBytes(Data("F01RD.sal"), "");
    RunF01("110");
    // A later part without records writes no head; the closing lines follow at the end.
    EXPECT_EQ(CrLf(closedAtFilesetEnd), ReadFileBytes(Out("F01.xml")));

    fs::remove(Data("F01RD.sal"));
    presenter =
        ScriptedPresenter({OverwriteDialog::Answer::OverwriteAll, SkipDialog::Answer::Skip});
    RunF01("110");
    EXPECT_EQ(CrLf(closedAtFilesetEnd), ReadFileBytes(Out("F01.xml")));
}

TEST_F(ConversionTest, StoppedRunClosesTheStartedDocument)
{
    fs::remove(Data("F01RD.sal"));
    presenter = ScriptedPresenter({SkipDialog::Answer::Quit});
    EXPECT_TRUE(RunF01().stopped);
    // The question was the last dialog: nothing after the stop asks or fails.
    EXPECT_EQ((std::vector<std::string>{"確認: データファイル F01RD.sal がありません。"}),
              presenter.Messages());
    EXPECT_EQ(CrLf(closedAtFilesetEnd), ReadFileBytes(Out("F01.xml")));
}

TEST_F(ConversionTest, ExistingFilesAnswers)
{
    WriteFileBytes(Out("F01.xml"), "old");
    WriteFileBytes(Out("F01MH.xml"), "old mesh");
    const std::string asked = "確認: XMLファイル F01.xml は既に存在します。";
    const std::string askedMesh = "確認: XMLファイル F01MH.xml は既に存在します。";

    // Overwrite: the first part truncates, the later part appends without a question.
    presenter =
        ScriptedPresenter({OverwriteDialog::Answer::Overwrite, OverwriteDialog::Answer::Skip});
    EXPECT_FALSE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{asked, askedMesh}), presenter.Messages());
    EXPECT_EQ(CrLf(integratedDocument), ReadFileBytes(Out("F01.xml")));
    EXPECT_EQ("old mesh", ReadFileBytes(Out("F01MH.xml")));

    // Skip on the integrated document: no later part touches it.
    WriteFileBytes(Out("F01.xml"), "old");
    presenter = ScriptedPresenter({OverwriteDialog::Answer::Skip, OverwriteDialog::Answer::Skip});
    EXPECT_FALSE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{asked, askedMesh}), presenter.Messages());
    EXPECT_EQ("old", ReadFileBytes(Out("F01.xml")));

    // Overwrite all: no further question in this run.
    presenter = ScriptedPresenter({OverwriteDialog::Answer::OverwriteAll});
    EXPECT_FALSE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{asked}), presenter.Messages());
    EXPECT_EQ(CrLf(integratedDocument), ReadFileBytes(Out("F01.xml")));
    EXPECT_NE("old mesh", ReadFileBytes(Out("F01MH.xml")));

    // Quit: nothing opened, the run stops.
    WriteFileBytes(Out("F01.xml"), "old");
    presenter = ScriptedPresenter({OverwriteDialog::Answer::Quit});
    EXPECT_TRUE(RunF01().stopped);
    EXPECT_EQ("old", ReadFileBytes(Out("F01.xml")));

    // A dialog that cannot be shown counts as quit.
    presenter = ScriptedPresenter({-1});
    EXPECT_TRUE(RunF01().stopped);
    EXPECT_EQ("old", ReadFileBytes(Out("F01.xml")));
}

TEST_F(ConversionTest, NothingLeaksBetweenFilesets)
{
    // F02's metadata leaves the title and the DTD empty: the settings' values hold.
    WriteFileset("F02", "1390000,350000\r\n125,83\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    integrated = false;
    Run({{"F01", "Tokyo"}, {"F02", "Osaka"}}, "100");
    const std::string second = ReadFileBytes(folder.Path() / "out" / "F02" / "F02RD.xml");
    EXPECT_NE(std::string::npos, second.find("<!DOCTYPE GI SYSTEM 'settings.dtd'>\r\n"));
    EXPECT_NE(std::string::npos, second.find("<title>Map Osaka [道路]</title>"));
    EXPECT_NE(std::string::npos, second.find("<date>DS_KOSHIN</date>"));
    EXPECT_NE(std::string::npos, ReadFileBytes(Out("F01RD.xml")).find("'gi.dtd'"));
}

TEST_F(ConversionTest, ShortMetadataKeepsNoStartPointOfAnEarlierFileset)
{
    WriteFileset("F02", "");
    Run({{"F01", "Tokyo"}, {"F02", "Osaka"}}, "100");
    const std::string second = ReadFileBytes(folder.Path() / "out" / "F02" / "F02.xml");
    EXPECT_EQ(std::string::npos, second.find("139."));
    EXPECT_NE(std::string::npos, second.find("<controlPoint>0.5000 0.2500</controlPoint>"));
}

TEST_F(ConversionTest, CurvesAfterTheMeshKindUseTheGeneralPoints)
{
    WriteFileBytes(Settings(), ToCp932(std::string(settingsText) + "Object{A{MH,RD}}"));
    RunF01("1");
    const std::string document = ReadFileBytes(Out("F01.xml"));
    EXPECT_NE(std::string::npos,
              document.find("<controlPoint>139.5000 35.2500</controlPoint>"));
    EXPECT_NE(std::string::npos, ReadFileBytes(Out("F01MH.xml")).find("139.1000 35.1000"));
}

TEST_F(ConversionTest, UnsafeCodesAreRefused)
{
    WriteFileBytes(folder.Path() / "data" / "F01" / "F01..sal", "RD{x}\r\n");
    WriteFileBytes(Settings(), ToCp932(std::string(settingsText) + "Object{A{RD}B{/x}}"));
    const ConversionSummary summary = Run({{"..", "up"}, {"F01", "Tokyo"}}, "11");
    EXPECT_FALSE(summary.stopped);
    EXPECT_EQ((std::vector<std::string>{"警告: ファイルセットコード .. は使用できません。",
                                        "警告: 地物コード /x は使用できません。"}),
              presenter.Messages());
    EXPECT_FALSE(fs::exists(folder.Path() / "out" / "gi.dtd"));
    EXPECT_EQ(2, summary.filesets);
}

TEST_F(ConversionTest, DtdCopyRules)
{
    WriteFileBytes(folder.Path() / "dtd" / "b.DTD", "<!ELEMENT x ANY>\r\n");
    WriteFileBytes(folder.Path() / "dtd" / "c.dtd", "");
    RunF01("100");
    EXPECT_EQ("<?xml version='1.0' encoding='UTF-8'?>\r\n<!ELEMENT x ANY>\r\n",
              ReadFileBytes(Out("b.DTD")));
    EXPECT_EQ("<?xml version='1.0' encoding='UTF-8'?>\r\n", ReadFileBytes(Out("c.dtd")));

    // An empty DTD folder warns once per run, however many filesets.
    fs::remove_all(folder.Path() / "dtd");
    fs::create_directories(folder.Path() / "dtd");
    WriteFileset("F02", "1390000,350000\r\n125,83\r\n");
    presenter = ScriptedPresenter({1, OverwriteDialog::Answer::OverwriteAll});
    Run({{"F01", "Tokyo"}, {"F02", "Osaka"}}, "100");
    EXPECT_EQ((std::vector<std::string>{"警告: DTDファイルがありません。",
                                        "確認: XMLファイル F01.xml は既に存在します。"}),
              presenter.Messages());
}

TEST_F(ConversionTest, OutputThatCannotBeOpenedSkipsTheKind)
{
    // A file where the fileset's output folder should be.
    WriteFileBytes(folder.Path() / "out" / "F01", "");
    skipDtdCopy = true;
    const ConversionSummary summary = RunF01("101");
    EXPECT_FALSE(summary.stopped);
    EXPECT_EQ(2, summary.kindsSkipped);
    const auto notOpened = [&](const std::string& name) {
        return "失敗: XMLファイル " + (folder.Path() / "out" / "F01" / name).string() +
               " を開けません。";
    };
    EXPECT_EQ((std::vector<std::string>{notOpened("F01.xml"), notOpened("F01MH.xml")}),
              presenter.Messages());
}

TEST_F(ConversionTest, WriteFailureStopsTheRun)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no /dev/full, a device that refuses every write";
#endif
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full, a device that refuses every write";
    }
    fs::create_directories(Out(""));
    fs::create_symlink("/dev/full", Out("F01.xml"));
    presenter = ScriptedPresenter({OverwriteDialog::Answer::OverwriteAll});
    const ConversionSummary summary = RunF01();
    EXPECT_TRUE(summary.stopped);
    EXPECT_EQ("失敗: XMLファイル F01.xml に書き込めません。", presenter.Messages().back());
    EXPECT_FALSE(fs::exists(Out("F01MH.xml")));
}

TEST_F(ConversionTest, MissingMetadataOrPointsStopTheRun)
{
    fs::remove(Data("F01.slm"));
    EXPECT_TRUE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{"失敗: メタデータファイルがありません。"}),
              presenter.Messages());

    WriteFileBytes(Data("F01.slm"), "1,1\r\n");
    WriteFileBytes(Data("F01.slp"), "");
    presenter = ScriptedPresenter();
    EXPECT_TRUE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{"失敗: 点データがありません。"}), presenter.Messages());

    fs::remove(Data("F01.slp"));
    presenter = ScriptedPresenter();
    EXPECT_TRUE(RunF01().stopped);
    EXPECT_EQ((std::vector<std::string>{"失敗: 点データファイルがありません。"}),
              presenter.Messages());
}

TEST_F(ConversionTest, InputNamesIgnoreLetterCase)
{
    // A data set copied from Windows: the fileset folder and every data, point-data and
    // metadata file in other letter cases.
    const fs::path data = folder.Path() / "data";
    fs::rename(data / "F01", data / "f01");
    const std::vector<std::pair<std::string, std::string>> renames = {
        {"F01RD.sal", "f01rd.SAL"}, {"F01BL.sal", "F01Bl.Sal"}, {"F01MH.sal", "f01mh.sal"},
        {"F01.slp", "f01.SLP"},     {"F01MH.slp", "F01mh.SLP"}, {"F01.slm", "f01.Slm"}};
    for (const auto& [from, to] : renames) {
        fs::rename(data / "f01" / from, data / "f01" / to);
    }
    EXPECT_FALSE(RunF01().stopped);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(CrLf(integratedDocument), ReadFileBytes(Out("F01.xml")));
    EXPECT_EQ(CrLf(Join(Join(Head("UTF-8", "gi.dtd", "F01", "Road map Tokyo", "2002-01-01",
                                  "標高"),
                             meshRecord),
                        closing)),
              ReadFileBytes(Out("F01MH.xml")));
}

TEST_F(ConversionTest, SkippedFileIsNotWrittenUnderAnotherLetterCase)
{
    // On Windows F01rd.xml is the file the user chose to skip as F01RD.xml.
    WriteFileBytes(Settings(), ToCp932(std::string(settingsText) + "Object{A{rd}B{RD}}"));
    WriteFileBytes(Data("F01rd.sal"), "RD{NM{x}}\r\n");
    WriteFileBytes(Out("F01RD.xml"), "old");
    integrated = false;
    presenter = ScriptedPresenter({OverwriteDialog::Answer::Skip});
    EXPECT_FALSE(RunF01("11").stopped);
    EXPECT_EQ((std::vector<std::string>{"確認: XMLファイル F01RD.xml は既に存在します。"}),
              presenter.Messages());
    EXPECT_EQ("old", ReadFileBytes(Out("F01RD.xml")));
    // Only the skipped file is there, under its own name.
    std::vector<std::string> documents;
    for (const fs::directory_entry& entry : fs::directory_iterator(Out(""))) {
        if (entry.path().extension() == ".xml") {
            documents.push_back(PathText(entry.path().filename()));
        }
    }
    EXPECT_EQ(std::vector<std::string>{"F01RD.xml"}, documents);
}

}

TEST_F(ConversionTest, StartPointOfMinusZeroKeepsItsSignInSurfaceCorners)
{
    // Each corner at x0 or y0 is the start point itself, written as "%.4f" writes it.
    auto surfaceLines = [](const std::string& indent, const std::string& id,
                           const std::string& x0, const std::string& y0,
                           const std::string& x1, const std::string& y1) {
        std::vector<std::string> lines = {"<SF" + id + ">", "  <patch>",
                                          "    <CRS idref='CRS01'/>"};
        for (const std::string& corner : {x0 + " " + y0, x1 + " " + y0, x1 + " " + y1,
                                          x0 + " " + y1, x0 + " " + y0}) {
            lines.push_back("    <controlPoint>" + corner + "</controlPoint>");
        }
        lines.insert(lines.end(),
                     {"    <interpolation>planar</interpolation>", "  </patch>", "</SF>"});
        for (std::string& line : lines) {
            line.insert(0, indent);
        }
        return lines;
    };
    auto document = [&](const std::string& code, const std::string& x0, const std::string& y0,
                        const std::string& y1) {
        std::vector<std::string> lines = {
            "<?xml version='1.0' encoding='UTF-8'?>",
            "<!DOCTYPE GI SYSTEM 'gi.dtd'>",
            "<GI version='1.0'>",
            "  <metadata>",
            "    <title>Road map Tokyo [建物]</title>",
            "    <date>2002-01-01</date>",
            "  </metadata>",
            "  <dataset>",
            "    <datasetInformation id='datasetInformation" + code + "'>",
            "      <name>Road map Tokyo [建物]</name>",
            "      <code>dataset" + code + "</code>",
            "      <datasetExtent>"};
        lines = Join(lines, surfaceLines("        ", " id='surface" + code + "'", x0, y0,
                                         "0.0125", y1));
        lines = Join(lines, {"      </datasetExtent>", "    </datasetInformation>", "",
                             "    <!-- 建物 -->", "", "    <Building ID='BL" + code + "000001'>"});
        lines = Join(lines, surfaceLines("      ", "", x0, y0, "0.0002", "-0.0000" == y0
                                                                              ? "0.0003"
                                                                              : "69.4709"));
        return Join(Join(lines, {"    </Building>"}), closing);
    };
    const std::string rest = "\r\n125,83\r\n3\r\n\r\nRoad map\r\n\r\n\r\n2002-01-01\r\ngi.dtd\r\n";
    WriteFileset("M01", "-0,-0" + rest);
    WriteFileset("M02", "-0,694706" + rest);
    for (const char* code : {"M01", "M02"}) {
        WriteFileBytes(folder.Path() / "data" / code / (std::string(code) + "BL.sal"),
                       "BL(ID{BL000001}){SF{00000002,00000003}}\r\n");
    }
    integrated = false;
    skipDtdCopy = true;
    Run({{"M01", "Tokyo"}, {"M02", "Tokyo"}}, "010");
    EXPECT_EQ(CrLf(document("M01", "-0.0000", "-0.0000", "0.0083")),
              ReadFileBytes(folder.Path() / "out" / "M01" / "M01BL.xml"));
    EXPECT_EQ(CrLf(document("M02", "-0.0000", "69.4706", "69.4789")),
              ReadFileBytes(folder.Path() / "out" / "M02" / "M02BL.xml"));
}

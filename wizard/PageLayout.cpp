#include "wizard/PageLayout.h"

#include "wizard/ControlIds.h"

namespace layout {

namespace {

// The page area starts below the title images; the buttons run along the bottom.
constexpr int left = 12;
constexpr int pageTop = 96;
constexpr int pageWidth = 564;
constexpr int titleTop = 52;
constexpr int titleHeight = 36;
constexpr int buttonTop = 468;
constexpr int buttonWidth = 88;
constexpr int buttonHeight = 26;
// The input page's rows: a label, then the path and its browse button below it.
constexpr int csvRow = 118;
constexpr int dtdRow = 174;
constexpr int dataRow = 230;
constexpr int xmlRow = 344;
constexpr int rowLabelHeight = 20;
constexpr int pathOffset = 22;
constexpr int pathHeight = 26;
constexpr int browseOffset = 21;

}

const std::vector<Control>& Controls()
{
    using namespace control;
    using enum Kind;
    static const std::vector<Control> controls = {
        // Across the top: the banner, then the title image of each page.
        {banner, Image, 0, 0, 588, 44, "", "banner", 141, alwaysShown},
        {welcomeTitle, Image, 212, titleTop, 364, titleHeight, "ようこそ", "title0", 142, none},
        {inputTitle, Image, left, titleTop, pageWidth, titleHeight,
         "入力・出力フォルダの指定", "title1", 143, none},
        {filesetTitle, Image, left, titleTop, pageWidth, titleHeight,
         "ファイルセットの選択", "title2", 144, none},
        {featureTitle, Image, left, titleTop, pageWidth, titleHeight, "地物の選択", "title3", 145, none},
        {optionsTitle, Image, left, titleTop, pageWidth, titleHeight,
         "出力オプション", "title4", 146, none},
        {summaryTitle, Image, left, titleTop, pageWidth, titleHeight, "設定の確認", "title5", 147, none},
        {progressTitle, Image, left, titleTop, pageWidth, titleHeight,
         "解凍の実行", "title6", 148, none},
        {completedTitle, Image, left, titleTop, pageWidth, titleHeight, "解凍の完了", "done", 155, none},

        // Page 0: the logic moves and sizes the picture once it is loaded.
        {picture, Picture, 0, 44, 200, 412, "", "", 0, none},
        {pictureFrame, Frame, 212, pageTop, 364, 358, "", "", 0, sunken},
        {introText, TextBox, 214, pageTop + 2, 360, 354, "", "", 0, none},

        // Page 1.
        {inputGroup, GroupBox, left, pageTop, pageWidth, 214, "入力", "", 0, none},
        {csvLabel, Label, 28, csvRow, 440, rowLabelHeight, "ファイルセット一覧CSVファイル", "", 0, none},
        {csvEdit, PathEdit, 28, csvRow + pathOffset, 440, pathHeight, "", "", 0, none},
        {csvBrowse, PushButton, 476, csvRow + browseOffset, 84, 28, "参照 ...", "", 0, none},
        {dtdLabel, Label, 28, dtdRow, 440, rowLabelHeight, "ＤＴＤフォルダ", "", 0, none},
        {dtdEdit, PathEdit, 28, dtdRow + pathOffset, 440, pathHeight, "", "", 0, none},
        {dtdBrowse, PushButton, 476, dtdRow + browseOffset, 84, 28, "参照 ...", "", 0, none},
        {dataLabel, Label, 28, dataRow, 440, rowLabelHeight, "データフォルダ", "", 0, none},
        {dataEdit, PathEdit, 28, dataRow + pathOffset, 440, pathHeight, "", "", 0, none},
        {dataBrowse, PushButton, 476, dataRow + browseOffset, 84, 28, "参照 ...", "", 0, none},
        {outputGroup, GroupBox, left, 322, pageWidth, 104, "出力", "", 0, none},
        {xmlLabel, Label, 28, xmlRow, 440, rowLabelHeight, "ＸＭＬ出力フォルダ", "", 0, none},
        {xmlEdit, PathEdit, 28, xmlRow + pathOffset, 440, pathHeight, "", "", 0, none},
        {xmlBrowse, PushButton, 476, xmlRow + browseOffset, 84, 28, "参照 ...", "", 0, none},

        // Page 2; the group captions come from the settings.
        {csvTitle, Label, left, pageTop, pageWidth, 26, "", "", 0, centred | sunken},
        {allFilesetGroup, GroupBox, left, 130, 246, 318, "", "", 0, none},
        {allFilesetList, FilesetList, 22, 154, 226, 284, "", "", 0, manyRows},
        {addFileset, PushButton, 268, 244, 52, 28, ">>", "", 0, none},
        {removeFileset, PushButton, 268, 284, 52, 28, "<<", "", 0, none},
        {chosenFilesetGroup, GroupBox, 330, 130, 246, 318, "", "", 0, none},
        {chosenFilesetList, FilesetList, 340, 154, 226, 284, "", "", 0, manyRows},

        // Page 3.
        {featureFilesetGroup, GroupBox, left, pageTop, 246, 248, "", "", 0, none},
        {featureFilesetList, FilesetList, 22, 120, 226, 214, "", "", 0, none},
        {featureGroup, GroupBox, 268, pageTop, 308, 248, "地物", "", 0, none},
        {featureCheckList, CheckList, 278, 120, 288, 178, "", "", 0, none},
        {selectAll, PushButton, 278, 306, 88, 28, "全選択", "", 0, none},
        {clearAll, PushButton, 374, 306, 88, 28, "全解除", "", 0, none},
        {folderGroup, GroupBox, left, 352, pageWidth, 96, "フォルダ", "", 0, none},
        {inputFolderCaption, Label, 28, 376, 40, 24, "入力", "", 0, none},
        {outputFolderCaption, Label, 28, 410, 40, 24, "出力", "", 0, none},
        {inputFolderLabel, PathLabel, 72, 376, 488, 24, "", "", 0, sunken},
        {outputFolderLabel, PathLabel, 72, 410, 488, 24, "", "", 0, sunken},

        // Page 4: two radio buttons per option.
        {outputUnitGroup, GroupBox, left, pageTop, pageWidth, 104, "出力ファイル単位", "", 0, none},
        {integratedFile, RadioButton, 36, 124, 500, 24, "統合ファイル", "", 0, none},
        {perKindFile, RadioButton, 36, 158, 500, 24, "地物別ファイル", "", 0, none},
        {dtdGroup, GroupBox, left, 210, pageWidth, 104, "DTDファイル", "", 0, none},
        {dtdCopy, RadioButton, 36, 238, 500, 24, "XML出力フォルダにコピーする", "", 0, none},
        {noDtdCopy, RadioButton, 36, 272, 500, 24, "コピーしない", "", 0, none},
        {charsetGroup, GroupBox, left, 324, pageWidth, 104, "文字コードセット", "", 0, none},
        {utf8, RadioButton, 36, 352, 500, 24, "Unicode (UTF-8)", "", 0, none},
        {shiftJis, RadioButton, 36, 386, 500, 24, "シフトJIS", "", 0, none},

        // Page 5; the message line also serves page 6.
        {statusMessage, Label, left, pageTop, pageWidth, 24, "", "", 0, none},
        {summaryText, SummaryBox, left, 124, pageWidth, 324, "", "", 0, none},

        // Page 6.
        {filesetName, Label, 28, 150, 420, 24, "", "", 0, none},
        {filesetCounter, Label, 452, 150, 108, 24, "", "", 0, alignRight},
        {featureName, Label, 28, 190, 420, 24, "", "", 0, none},
        {featureCounter, Label, 452, 190, 108, 24, "", "", 0, alignRight},
        {progressBar, ProgressBar, 28, 236, 532, 22, "", "", 0, none},
        // The completion state's report below the bar; the logic sets every text.
        {reportNotice, Label, left, 120, pageWidth, 24, "", "", 0, none},
        {reportText, ReportBox, left, 268, pageWidth, 146, "", "", 0, none},
        {openOutputFolder, PushButton, left, 420, 150, 28, "", "", 0, none},
        {validate, PushButton, left + 158, 420, 110, 28, "", "", 0, none},
        // The map lies over the progress fields and the report while it is chosen; it
        // is drawn at twice this size, so it shows at exactly half.
        {previewPicture, MapPicture, left, 148, pageWidth, 266, "", "", 0, none},
        {previewChoice, ChoiceBox, 288, 421, 176, 26, "", "", 0, none},
        {savePreview, PushButton, 472, 420, 104, 28, "", "", 0, none},

        // Along the bottom, last so that Tab reaches them after the page's controls.
        {help, PushButton, left, buttonTop, buttonWidth, buttonHeight, "ヘルプ", "", 0, none},
        {back, PushButton, 296, buttonTop, buttonWidth, buttonHeight, "< 戻る", "", 0, none},
        {next, PushButton, 384, buttonTop, buttonWidth, buttonHeight, "次へ >", "", 0, none},
        {cancel, PushButton, 488, buttonTop, buttonWidth, buttonHeight, "キャンセル", "", 0, none},
    };
    return controls;
}

const Control* Find(int id)
{
    for (const Control& entry : Controls()) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

}

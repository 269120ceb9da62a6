#pragma once

// The controls of the wizard window by their numeric ids. The window keeps each id in
// its control's objectName ("control1082"); the page logic addresses controls only by
// these names.
namespace control {

// Along the bottom and across the top of every page.
constexpr int help = 1080;
constexpr int back = 1081;
constexpr int next = 1082;
constexpr int cancel = 1083;
constexpr int banner = 1084;

// Title images of pages 0 to 6, and the one that replaces page 6's when the run is over.
constexpr int welcomeTitle = 1066;
constexpr int inputTitle = 1067;
constexpr int filesetTitle = 1068;
constexpr int featureTitle = 1069;
constexpr int optionsTitle = 1070;
constexpr int summaryTitle = 1071;
constexpr int progressTitle = 1072;
constexpr int completedTitle = 1073;

// Page 0: welcome.
constexpr int pictureFrame = 1063;
constexpr int picture = 1064;
constexpr int introText = 1075;

// Page 1: input paths.
constexpr int inputGroup = 1000;
constexpr int csvLabel = 1001;
constexpr int csvEdit = 1002;
constexpr int csvBrowse = 1003;
constexpr int dtdLabel = 1004;
constexpr int dtdEdit = 1005;
constexpr int dtdBrowse = 1006;
constexpr int dataLabel = 1007;
constexpr int dataBrowse = 1008;
constexpr int dataEdit = 1009;
constexpr int xmlLabel = 1010;
constexpr int xmlEdit = 1011;
constexpr int xmlBrowse = 1012;
constexpr int outputGroup = 1026;

// Page 2: filesets.
constexpr int addFileset = 1017;
constexpr int removeFileset = 1019;
constexpr int allFilesetGroup = 1020;
constexpr int chosenFilesetGroup = 1021;
constexpr int allFilesetList = 1022;
constexpr int csvTitle = 1023;
constexpr int chosenFilesetList = 1029;

// Page 3: feature kinds per fileset.
constexpr int featureCheckList = 1025;
constexpr int featureFilesetList = 1027;
constexpr int featureFilesetGroup = 1028;
constexpr int featureGroup = 1030;
constexpr int folderGroup = 1031;
constexpr int inputFolderCaption = 1032;
constexpr int outputFolderCaption = 1033;
constexpr int selectAll = 1034;
constexpr int clearAll = 1035;
constexpr int inputFolderLabel = 1036;
constexpr int outputFolderLabel = 1037;

// Page 4: output options, two radio buttons per option.
constexpr int noDtdCopy = 1038;
constexpr int outputUnitGroup = 1039;
constexpr int perKindFile = 1040;
constexpr int integratedFile = 1041;
constexpr int dtdCopy = 1047;
constexpr int shiftJis = 1048;
constexpr int utf8 = 1049;
constexpr int dtdGroup = 1050;
constexpr int charsetGroup = 1051;

// Page 5: summary; 1052 is also the message line of page 6.
constexpr int summaryText = 1043;
constexpr int statusMessage = 1052;

// Page 6: progress.
constexpr int filesetName = 1054;
constexpr int filesetCounter = 1058;
constexpr int progressBar = 1059;
constexpr int featureCounter = 1060;
constexpr int featureName = 1061;

// Page 6 in its completion state: the run's report below the message.
constexpr int reportNotice = 1090;   // a second line beside the message 1052
constexpr int reportText = 1091;     // read-only, several lines
constexpr int openOutputFolder = 1092;
constexpr int validate = 1093;
// The map preview of the completion state: a choice between the report and the map of
// each fileset, the map itself in place of the progress fields and the report, and the
// button that saves the map shown as a PNG file.
constexpr int previewChoice = 1094;
constexpr int previewPicture = 1095;
constexpr int savePreview = 1096;

}

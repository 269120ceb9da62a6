#pragma once

#include <filesystem>
#include <string>

#include "platform/FileSystem.h"  // PathText and PathFromText, for paths in the window

// The texts the wizard's logic puts into its window (UTF-8), and how paths become text
// and back. The texts of the window's fixed layout (labels, the other buttons) belong
// to the window.
namespace wizardText {

inline constexpr const char* aboutItem = "Ordevik のﾊﾞｰｼﾞｮﾝ情報(&A)...";
inline constexpr const char* nextCaption = "次へ >";
inline constexpr const char* runCaption = "実行";
inline constexpr const char* finishCaption = "完了";
inline constexpr const char* folderPickerTitle = "フォルダを選択してください";
inline constexpr const char* csvFilterLabel = "CSVファイル(CSV)";
inline constexpr const char* allFilesFilterLabel = "全て(*)";

inline constexpr const char* checkSettings = "設定を確認してください。実行ボタンで処理を開始します。";
inline constexpr const char* running = "ケルダデータを解凍しています。しばらくお待ちください。";
inline constexpr const char* completed = "ケルダデータの解凍が完了しました。完了ボタンで終了します。";
inline constexpr const char* stopped = "ケルダデータの解凍を中止しました。完了ボタンで終了します。";

// The section and values of the path history. Only the first three are read back.
inline constexpr const char* historySection = "History";
inline constexpr const char* csvHistory = "CSV_File";
inline constexpr const char* dtdHistory = "DTD_Folder";
inline constexpr const char* dataHistory = "Data_Folder";
inline constexpr const char* xmlHistory = "XML_Folder";

}

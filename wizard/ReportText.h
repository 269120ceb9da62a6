#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/DtdValidator.h"
#include "engine/RunReport.h"

// The completion page's report in Japanese (UTF-8, lines ended by CR LF): what the run
// wrote, what it did not and why, and the documents' check against the DTD. Every
// window shows these texts as they are; the rules of what is listed live here.
namespace completionText {

inline constexpr const char* leftOut = "一部の地物を変換しませんでした。下の一覧をご覧ください。";
inline constexpr const char* openFolder = "出力フォルダを開く";
inline constexpr const char* validate = "DTDで検証";
inline constexpr const char* reportChoice = "実行結果";
inline constexpr const char* saveMap = "地図を保存 ...";
inline constexpr const char* pngFiles = "PNG 画像 (*.png)";
inline constexpr const char* mapSaved = "地図を保存しました: ";
inline constexpr const char* mapNotSaved = "地図を保存できません: ";
inline constexpr const char* validating = "DTDで検証しています。しばらくお待ちください。";
inline constexpr const char* notValid = "DTDに合わないXMLファイルがあります。下の一覧をご覧ください。";
inline constexpr const char* allValid = "全てのXMLファイルがDTDに合っています。";
inline constexpr const char* noValidation =
    "この版にはDTDによる検証がありません（libxml2 を含まずにビルドされています）。";

}

// The report below the completion message: the totals line, then, fileset by fileset in
// the order the run met them, every kind skipped or failed with its reason, and the
// filesets a stopped run did not reach.
std::string CompletionReport(const RunReport& report);

// Filesets, kinds written, documents and their total size, kinds skipped and failed,
// and the time the run took.
std::string TotalsLine(const RunReport& report);

// Why a kind was not converted, from the question or failure shown for it.
std::string KindReasonText(const KindEntry& kind);

// The line beside the completion message: empty when everything asked for was written.
std::string ReportNotice(const RunReport& report);

// A size as the file manager shows it: bytes, KB, MB or GB (of 1024).
std::string SizeText(std::uint64_t bytes);

// A line per document checked, its name below `xmlFolder`, after a line of totals.
std::string ValidationText(const std::vector<DocumentValidity>& results,
                           const std::filesystem::path& xmlFolder);

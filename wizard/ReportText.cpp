#include "wizard/ReportText.h"

#include <cstdio>

#include "platform/FileSystem.h"

namespace {

constexpr const char* lineEnd = "\r\n";

std::string Number(long long value)
{
    return std::to_string(value);
}

std::string SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

}

std::string SizeText(std::uint64_t bytes)
{
    if (bytes < 1024) {
        return Number(static_cast<long long>(bytes)) + " バイト";
    }
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double size = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (size >= 1024 && unit < 3) {
        size /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", size, units[unit]);
    return text;
}

std::string TotalsLine(const RunReport& report)
{
    const RunTotals totals = report.Totals();
    // Short enough for one line of the page in the usual cases.
    std::string line = "ファイルセット " + Number(totals.filesets) + " 件、地物 " +
                       Number(totals.kindsWritten) + " 種を変換、XMLファイル " +
                       Number(totals.documents) + " 個（" + SizeText(totals.bytes) + "）、" +
                       Number(totals.kindsSkipped) + " 種をスキップ";
    if (totals.kindsFailed > 0) {
        line += "、" + Number(totals.kindsFailed) + " 種が失敗・中止";
    }
    return line + "、" + SecondsText(report.seconds) + " 秒";
}

std::string KindReasonText(const KindEntry& kind)
{
    switch (kind.reason) {
    case KindReason::None:
        break;
    case KindReason::DataFileMissing:
        return kind.message + "スキップしました。";
    case KindReason::DataFileSkipAll:
        return kind.message + "全てスキップしました。";
    case KindReason::SkippedBySkipAll:
        return "データファイルがありません。全てスキップにより変換しませんでした。";
    case KindReason::DocumentKept:
        return kind.message + "スキップし、既存のファイルをそのまま残しました。";
    case KindReason::DocumentKeptEarlier:
        return "既存のXMLファイルをスキップしたため、変換しませんでした。";
    case KindReason::KindCodeUnusable:
        return kind.message;
    case KindReason::DataFileQuit:
    case KindReason::DocumentExistsQuit:
        return kind.message + "終了を選んだため、ここで中止しました。";
    case KindReason::Failure:
        return (kind.message.empty() ? std::string("XMLファイルに書き込めません。") : kind.message) +
               (kind.stoppedRun ? "ここで中止しました。" : "変換しませんでした。");
    }
    return {};
}

std::string CompletionReport(const RunReport& report)
{
    std::string text = TotalsLine(report) + lineEnd;
    std::string list;
    for (const FilesetEntry& fileset : report.filesets) {
        std::string lines;
        for (const std::string& note : fileset.notes) {
            lines += "\t" + note;
            if (fileset.refused) {
                lines += "このファイルセットは変換していません。";
            }
            lines += lineEnd;
        }
        for (const KindEntry& kind : fileset.kinds) {
            if (kind.outcome != KindOutcome::Written) {
                lines += "\t" + kind.name + "（" + kind.code + "）: " + KindReasonText(kind) +
                         lineEnd;
            }
        }
        if (!lines.empty()) {
            list += fileset.name + "（" + fileset.code + "）" + lineEnd + lines;
        }
    }
    const int notStarted = report.filesetsPlanned - static_cast<int>(report.filesets.size());
    if (notStarted > 0) {
        list += "中止したため、残りのファイルセット " + Number(notStarted) +
                " 件は変換していません。" + lineEnd;
    }
    if (list.empty() && !report.stopped) {
        return text + "選択した全ての地物を変換しました。" + lineEnd;
    }
    return text + lineEnd + list;
}

std::string ReportNotice(const RunReport& report)
{
    return report.AnythingLeftOut() ? completionText::leftOut : "";
}

std::string ValidationText(const std::vector<DocumentValidity>& results,
                           const std::filesystem::path& xmlFolder)
{
    int valid = 0;
    std::string lines;
    for (const DocumentValidity& result : results) {
        std::filesystem::path name = result.document.lexically_relative(xmlFolder);
        if (name.empty() || *name.begin() == "..") {
            name = result.document;
        }
        lines += "\t" + PathText(name) + ": ";
        switch (result.validity) {
        case Validity::Valid:
            ++valid;
            lines += "有効";
            break;
        case Validity::Invalid:
            lines += "無効（" + Number(result.line) + " 行目）: " + result.message;
            break;
        case Validity::DtdMissing:
            lines += "DTDファイルが見つかりません。" +
                     (result.message.empty() ? std::string() : "（" + result.message + "）");
            break;
        case Validity::Unreadable:
            lines += "ファイルを読み込めません。";
            break;
        }
        lines += lineEnd;
    }
    return "DTDによる検証: XMLファイル " + Number(static_cast<long long>(results.size())) +
           " 個中 " + Number(valid) + " 個が有効です。" + lineEnd + lines;
}

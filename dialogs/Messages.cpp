#include "dialogs/Messages.h"

std::string MessageText(MessageId id, std::string_view subject)
{
    const std::string named(subject);
    switch (id) {
    case MessageId::None:
        return {};
    case MessageId::About:
        return "ケルダデータ解凍ソフトウェア ver." ORDEVIK_VERSION;
    case MessageId::QuitProgram:
        return "プログラムを終了します。";
    case MessageId::CsvFileMissing:
        return "CSVファイルがありません。";
    case MessageId::DataFolderMissing:
        return "データフォルダがありません。";
    case MessageId::DtdFolderMissing:
        return "DTDフォルダがありません。";
    case MessageId::CreateXmlFolder:
        return "XMLフォルダを作成します。";
    case MessageId::XmlFolderNotCreated:
        return "XMLフォルダを作成できません。";
    case MessageId::CsvFileUnreadable:
        return "CSVファイルを開けません。";
    case MessageId::DtdFileMissing:
        return "DTDファイルがありません。";
    case MessageId::DataFileMissing:
        return "データファイル " + named + " がありません。";
    case MessageId::XmlFileExists:
        return "XMLファイル " + named + " は既に存在します。";
    case MessageId::PointFileMissing:
        return "点データファイルがありません。";
    case MessageId::PointsMissing:
        return "点データがありません。";
    case MessageId::MetadataFileMissing:
        return "メタデータファイルがありません。";
    case MessageId::MetadataMissing:
        return "メタデータがありません。";
    case MessageId::XmlFileNotOpened:
        return "XMLファイル " + named + " を開けません。";
    case MessageId::XmlFileNotWritten:
        return "XMLファイル " + named + " に書き込めません。";
    case MessageId::FilesetCodeUnusable:
        return "ファイルセットコード " + named + " は使用できません。";
    case MessageId::KindCodeUnusable:
        return "地物コード " + named + " は使用できません。";
    }
    return {};
}

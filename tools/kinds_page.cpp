// kinds_page: writes the help page that lists the feature kinds of a settings file, so
// that the list the user reads is the catalogue the program converts with. The build
// runs it over the shipped resources/ordevik.ini.
//
//     kinds_page SETTINGS_FILE OUTPUT_HTML
//
// The settings file is code page 932; the page is UTF-8 HTML in the style of the other
// help pages. Exit status 1 when the settings file cannot be read or lists no kind, or
// the page cannot be written.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "readers/SettingsFile.h"
#include "text/Cp932.h"
#include "text/SjisText.h"

namespace fs = std::filesystem;

namespace {

// The fileset code the examples use: the first fileset of the sample data set.
constexpr std::string_view exampleFileset = "44201";
constexpr std::string_view meshKind = "MH";

std::string Escaped(std::string_view utf8)
{
    std::string text;
    for (const char byte : utf8) {
        switch (byte) {
        case '&':
            text += "&amp;";
            break;
        case '<':
            text += "&lt;";
            break;
        case '>':
            text += "&gt;";
            break;
        case '"':
            text += "&quot;";
            break;
        default:
            text += byte;
        }
    }
    return text;
}

// A code page 932 text as HTML text.
std::string Html(std::string_view cp932)
{
    return Escaped(ToUtf8(cp932));
}

std::string Code(std::string_view cp932)
{
    return "<code>" + Html(cp932) + "</code>";
}

const char* const pageHead = R"(<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<title>地物の一覧 - ケルダ ヘルプ</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<header>
<p>ケルダ（Ordevik）ヘルプ</p>
<h1>地物の一覧</h1>
</header>
<nav><a href="page_0.htm">目次</a> ｜ <a href="output.htm">出力ファイル</a> ｜
<a href="glossary.htm">用語集</a></nav>
<main>
<p>「地物の選択」のページに並ぶ地物と、その地物コード、読み込むデータファイル、
書き出す XML の名前の一覧です。例のファイルセットコードは <code>44201</code> です。
メッセージ「<span class="msg">データファイル 44201RD.sal がありません。</span>」の
<code>RD</code> のように、ファイル名のファイルセットコードの後ろの部分が地物コードです。</p>
<p class="note">この一覧は、プログラムと一緒に配布した設定ファイル <code>ordevik.ini</code>
から作られています。設定ファイルを書き換えた場合は、書き換えた内容が使われます。</p>
)";

const char* const pageTail = R"(</main>
<footer><a href="page_0.htm">目次に戻る</a></footer>
</body>
</html>
)";

void WriteKinds(const SettingsFile& settings, std::ofstream& page)
{
    page << "<table>\n<tr><th>地物（チェックボックスの表示）</th><th>地物コード</th>"
            "<th>地物名（進み具合の表示）</th><th>データファイル</th><th>XML 要素名</th>"
            "<th>地物別ファイル</th></tr>\n";
    const std::string fileset(exampleFileset);
    for (std::size_t i = 0; i < settings.ObjectCodes().size(); ++i) {
        const std::string& name = settings.ObjectNames()[i];
        ForEachCommaItem(settings.ObjectCodes()[i], [&](std::string_view item) {
            const std::string code(item);
            std::string dataFiles = Code(fileset + code + ".sal");
            if (code == meshKind) {
                dataFiles += "、" + Code(fileset + code + ".slp");
            }
            page << "<tr id=\"" << Html(code) << "\"><td>" << Html(name) << "</td><td>"
                 << Code(code) << "</td><td>" << Html(settings.GetConvertAttributes(code))
                 << "</td><td>" << dataFiles << "</td><td>"
                 << Code(settings.GetConvertBody(code)) << "</td><td>"
                 << Code(fileset + code + ".xml") << "</td></tr>\n";
        });
    }
    page << "</table>\n";
    page << "<p>1 つのチェックボックスに地物コードが 2 つ以上ある地物は、チェックを付けると"
            "そのすべてが変換されます。<code>" << meshKind << "</code>（メッシュ標高）は、"
            "<span class=\"ui\">統合ファイル</span> を選んだときも、いつも別の文書 "
            "<code>" << fileset << meshKind << ".xml</code> になり、点データも "
            "<code>" << fileset << meshKind << ".slp</code> から読みます。</p>\n";
}

}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kinds_page SETTINGS_FILE OUTPUT_HTML\n");
        return 2;
    }
    SettingsFile settings{fs::path(argv[1])};
    if (!settings.ReadIniFile()) {
        std::fprintf(stderr, "kinds_page: cannot read %s\n", argv[1]);
        return 1;
    }
    settings.LoadConvertSettings();
    if (settings.ObjectCodes().empty()) {
        std::fprintf(stderr, "kinds_page: %s lists no feature kind\n", argv[1]);
        return 1;
    }
    std::ofstream page(fs::path(argv[2]), std::ios::binary | std::ios::trunc);
    page << pageHead;
    WriteKinds(settings, page);
    page << pageTail;
    page.close();
    if (!page) {
        std::fprintf(stderr, "kinds_page: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

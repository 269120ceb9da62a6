#include "dialogs/Dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ScriptedPresenter.h"

namespace {

// One line per dialog: resource, caption, size, icon, message width, every button as
// id "text" @x =result, default button, Escape result, placement and beep.
std::string Describe(const DialogLayout& layout)
{
    static const char* const icons[] = {"application", "warning", "error"};
    std::string text = std::to_string(layout.resourceId) + " " + layout.caption + " " +
                       std::to_string(layout.width) + "x" + std::to_string(layout.height) + " " +
                       icons[static_cast<int>(layout.icon)] + " message " +
                       std::to_string(layout.messageWidth) + " |";
    for (const DialogButton& button : layout.buttons) {
        text += " " + std::to_string(button.id) + " \"" + button.text + "\" @" +
                std::to_string(button.x) + " =" + std::to_string(button.result) + " |";
    }
    text += " default " + std::to_string(layout.defaultButtonId) + ", escape " +
            std::to_string(layout.escapeResult) +
            (layout.centredOnScreen ? ", on screen" : ", over wizard") +
            (layout.beeps ? ", beeps" : ", silent");
    return text;
}

// Constructs each of the six dialogs in turn and hands it to `visit`.
template <typename Visit>
void ForEachDialog(DialogPresenter* presenter, Visit visit)
{
    AboutDialog about(presenter);
    visit(about);
    WarningDialog warning(presenter);
    visit(warning);
    OverwriteDialog overwrite(presenter);
    visit(overwrite);
    ConfirmDialog confirm(presenter);
    visit(confirm);
    SkipDialog skip(presenter);
    visit(skip);
    FailureDialog failure(presenter);
    visit(failure);
}

}

TEST(DialogsTest, EachDialogHasItsCaptionButtonsAndResultCodes)
{
    const std::vector<std::string> expected = {
        "100 バージョン情報 235x55 application message 0 | 1 \"OK\" @178 =1 |"
        " default 1, escape 2, over wizard, silent",
        "157 警告 155x62 warning message 100 | 1 \"ＯＫ\" @50 =1 |"
        " default 1, escape 2, on screen, beeps",
        "160 確認 243x61 warning message 195 | 1072 \"全て上書き\" @15 =3 |"
        " 1071 \"上書き\" @70 =2 | 1073 \"スキップ\" @125 =1 | 2 \"終了\" @180 =0 |"
        " default 0, escape 0, over wizard, beeps",
        "164 確認 154x61 warning message 105 | 1 \"ＯＫ\" @25 =1 | 2 \"キャンセル\" @80 =2 |"
        " default 1, escape 2, over wizard, beeps",
        "165 確認 194x62 warning message 145 | 1078 \"全てスキップ\" @15 =2 |"
        " 1073 \"スキップ\" @70 =1 | 2 \"終了\" @125 =0 | default 0, escape 0, over wizard, beeps",
        "166 失敗 155x62 error message 100 | 1 \"終了\" @50 =1 |"
        " default 1, escape 2, on screen, beeps",
    };
    std::vector<std::string> described;
    ForEachDialog(nullptr, [&](MessageDialog& dialog) {
        described.push_back(Describe(dialog.Layout()));
    });
    EXPECT_EQ(expected, described);
}

TEST(DialogsTest, ShowingReturnsThePresentersAnswerAndPassesTheMessage)
{
    ScriptedPresenter presenter({3, 0, 2, 1, 0, 2, 1});
    OverwriteDialog overwrite(&presenter);
    overwrite.message = "XMLファイル F01.xml は既に存在します。";
    EXPECT_EQ(3, overwrite.DoModal());
    SkipDialog skip(&presenter);
    skip.message = "データファイル F01RD.sal がありません。";
    EXPECT_EQ(0, skip.DoModal());
    EXPECT_EQ(2, skip.DoModal());
    ConfirmDialog confirm(&presenter);
    EXPECT_EQ(1, confirm.DoModal());
    FailureDialog failure(&presenter);
    failure.message = "点データがありません。";
    WarningDialog warning(&presenter);
    AboutDialog about(&presenter);
    EXPECT_EQ((std::vector<int>{0, 2, 1}),
              (std::vector<int>{warning.DoModal(), failure.DoModal(), about.DoModal()}));
    // The script is used up: the presenter now answers as Escape does.
    EXPECT_EQ(0, skip.DoModal());

    const std::vector<ScriptedPresenter::Shown> expected = {
        {"確認", "XMLファイル F01.xml は既に存在します。"},
        {"確認", "データファイル F01RD.sal がありません。"},
        {"確認", "データファイル F01RD.sal がありません。"},
        {"確認", ""},
        {"警告", ""},
        {"失敗", "点データがありません。"},
        {"バージョン情報", "ケルダデータ解凍ソフトウェア ver.1.03"},
        {"確認", "データファイル F01RD.sal がありません。"},
    };
    EXPECT_EQ(expected, presenter.shown);
}

TEST(DialogsTest, DialogWithoutPresenterCannotBeShown)
{
    ForEachDialog(nullptr, [](MessageDialog& dialog) {
        dialog.message = "プログラムを終了します。";
        EXPECT_EQ(-1, dialog.DoModal()) << dialog.Layout().resourceId;
    });
}

// A run without a presenter skips a missing data file and stops at an existing output
// file; the wizard treats a confirmation that cannot be shown as cancelled.
TEST(DialogsTest, QuestionsThatCannotBeShownTakeTheCautiousAnswer)
{
    EXPECT_EQ(SkipDialog::Answer::Skip, SkipDialog(nullptr).Ask(MessageId::DataFileMissing));
    EXPECT_EQ(OverwriteDialog::Answer::Quit,
              OverwriteDialog(nullptr).Ask(MessageId::XmlFileExists));
    EXPECT_EQ(ConfirmDialog::Answer::Cancel, ConfirmDialog(nullptr).Ask(MessageId::QuitProgram));

    // A code that no button ends with (here a control id) answers as Escape does; a
    // button's code gives the answer it is labelled with.
    ScriptedPresenter presenter({1072, 1, 2, 1, 2});
    EXPECT_EQ(OverwriteDialog::Answer::Quit, OverwriteDialog(&presenter).Ask(MessageId::None));
    EXPECT_EQ(OverwriteDialog::Answer::Skip, OverwriteDialog(&presenter).Ask(MessageId::None));
    EXPECT_EQ(SkipDialog::Answer::SkipAll, SkipDialog(&presenter).Ask(MessageId::None));
    EXPECT_EQ(ConfirmDialog::Answer::Ok, ConfirmDialog(&presenter).Ask(MessageId::None));
    EXPECT_EQ(ConfirmDialog::Answer::Cancel, ConfirmDialog(&presenter).Ask(MessageId::None));
}

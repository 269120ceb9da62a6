#include "dialogs/Dialogs.h"

MessageDialog::MessageDialog(DialogPresenter* dialogPresenter, const DialogLayout& dialogLayout)
    : presenter(dialogPresenter), layout(dialogLayout)
{
}

int MessageDialog::DoModal()
{
    if (presenter == nullptr) {
        return -1;
    }
    return presenter->ShowModal(layout, messageId, message);
}

int MessageDialog::Show(MessageId id, std::string_view subject)
{
    messageId = id;
    message = MessageText(id, subject);
    return DoModal();
}

AboutDialog::AboutDialog(DialogPresenter* dialogPresenter)
    : MessageDialog(dialogPresenter, Definition())
{
    messageId = MessageId::About;
    message = MessageText(MessageId::About);
}

const DialogLayout& AboutDialog::Definition()
{
    static const DialogLayout layout{
        100, "バージョン情報", 235, 55, DialogIcon::Application, 0,
        {{1, "OK", 178, 1}}, 1, 2, false, false};
    return layout;
}

const DialogLayout& WarningDialog::Definition()
{
    static const DialogLayout layout{
        157, "警告", 155, 62, DialogIcon::Warning, 100,
        {{1, "ＯＫ", 50, 1}}, 1, 2, true, true};
    return layout;
}

const DialogLayout& OverwriteDialog::Definition()
{
    // Escape and the close box quit, as the button with id 2 does.
    static const DialogLayout layout{
        160, "確認", 243, 61, DialogIcon::Warning, 195,
        {{1072, "全て上書き", 15, ResultCode(Answer::OverwriteAll)},
         {1071, "上書き", 70, ResultCode(Answer::Overwrite)},
         {1073, "スキップ", 125, ResultCode(Answer::Skip)},
         {2, "終了", 180, ResultCode(Answer::Quit)}},
        0, ResultCode(Answer::Quit), false, true};
    return layout;
}

OverwriteDialog::Answer OverwriteDialog::Ask(MessageId id, std::string_view subject)
{
    const int code = Show(id, subject);
    for (const Answer answer : {Answer::Skip, Answer::Overwrite, Answer::OverwriteAll}) {
        if (code == ResultCode(answer)) {
            return answer;
        }
    }
    return Answer::Quit;
}

const DialogLayout& ConfirmDialog::Definition()
{
    static const DialogLayout layout{
        164, "確認", 154, 61, DialogIcon::Warning, 105,
        {{1, "ＯＫ", 25, ResultCode(Answer::Ok)},
         {2, "キャンセル", 80, ResultCode(Answer::Cancel)}},
        1, ResultCode(Answer::Cancel), false, true};
    return layout;
}

ConfirmDialog::Answer ConfirmDialog::Ask(MessageId id, std::string_view subject)
{
    return Show(id, subject) == ResultCode(Answer::Ok) ? Answer::Ok : Answer::Cancel;
}

const DialogLayout& SkipDialog::Definition()
{
    static const DialogLayout layout{
        165, "確認", 194, 62, DialogIcon::Warning, 145,
        {{1078, "全てスキップ", 15, ResultCode(Answer::SkipAll)},
         {1073, "スキップ", 70, ResultCode(Answer::Skip)},
         {2, "終了", 125, ResultCode(Answer::Quit)}},
        0, ResultCode(Answer::Quit), false, true};
    return layout;
}

SkipDialog::Answer SkipDialog::Ask(MessageId id, std::string_view subject)
{
    const int code = Show(id, subject);
    if (code == ResultCode(Answer::SkipAll)) {
        return Answer::SkipAll;
    }
    return code == ResultCode(Answer::Quit) ? Answer::Quit : Answer::Skip;
}

const DialogLayout& FailureDialog::Definition()
{
    static const DialogLayout layout{
        166, "失敗", 155, 62, DialogIcon::Error, 100,
        {{1, "終了", 50, 1}}, 1, 2, true, true};
    return layout;
}

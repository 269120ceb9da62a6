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
        {{1072, "全て上書き", 15, OverwriteAll},
         {1071, "上書き", 70, Overwrite},
         {1073, "スキップ", 125, Skip},
         {2, "終了", 180, Quit}},
        0, Quit, false, true};
    return layout;
}

const DialogLayout& ConfirmDialog::Definition()
{
    static const DialogLayout layout{
        164, "確認", 154, 61, DialogIcon::Warning, 105,
        {{1, "ＯＫ", 25, Ok}, {2, "キャンセル", 80, Cancel}}, 1, Cancel, false, true};
    return layout;
}

const DialogLayout& SkipDialog::Definition()
{
    static const DialogLayout layout{
        165, "確認", 194, 62, DialogIcon::Warning, 145,
        {{1078, "全てスキップ", 15, SkipAll}, {1073, "スキップ", 70, Skip}, {2, "終了", 125, Quit}},
        0, Quit, false, true};
    return layout;
}

const DialogLayout& FailureDialog::Definition()
{
    static const DialogLayout layout{
        166, "失敗", 155, 62, DialogIcon::Error, 100,
        {{1, "終了", 50, 1}}, 1, 2, true, true};
    return layout;
}

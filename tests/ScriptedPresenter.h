#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "dialogs/Dialogs.h"

// A presenter that records every dialog it is asked to show and answers from a script,
// in order. Once the script is used up it answers as Escape would.
class ScriptedPresenter : public DialogPresenter
{
public:
    struct Shown
    {
        std::string caption;
        std::string message;
        bool operator==(const Shown&) const = default;
        friend void PrintTo(const Shown& shown, std::ostream* out)
        {
            *out << "{" << shown.caption << ", " << shown.message << "}";
        }
    };

    // One answer of the script: a dialog's Answer, or a bare result code (1 for the
    // single button of a message, -1 for a dialog that could not be shown).
    struct Answer
    {
        Answer(int resultCode) : code(resultCode) {}
        template <class DialogAnswer>
            requires std::is_enum_v<DialogAnswer>
        Answer(DialogAnswer answer) : code(ResultCode(answer))
        {
        }
        int code;
    };

    explicit ScriptedPresenter(std::vector<Answer> script = {}) : answers(std::move(script)) {}

    int ShowModal(const DialogLayout& layout, MessageId id, const std::string& message) override
    {
        ids.push_back(id);
        shown.push_back({layout.caption, message});
        return next < answers.size() ? answers[next++].code : layout.escapeResult;
    }

    // Each dialog shown as "caption: message".
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> messages;
        for (const Shown& dialog : shown) {
            messages.push_back(dialog.caption + ": " + dialog.message);
        }
        return messages;
    }

    std::vector<Shown> shown;
    std::vector<MessageId> ids;

private:
    std::vector<Answer> answers;
    std::size_t next = 0;
};

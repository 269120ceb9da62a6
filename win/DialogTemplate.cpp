#include "win/DialogTemplate.h"

namespace {

void AppendDword(std::vector<WORD>& words, DWORD value)
{
    words.push_back(LOWORD(value));
    words.push_back(HIWORD(value));
}

}

DialogTemplate::DialogTemplate(DWORD style, short width, short height, std::wstring_view caption,
                               std::wstring_view font, WORD pointSize)
{
    AppendDword(words, style | DS_SETFONT);
    AppendDword(words, 0);  // extended style
    countAt = words.size();
    words.push_back(0);     // controls, counted as they are added
    for (const short value : {short(0), short(0), width, height}) {
        words.push_back(static_cast<WORD>(value));
    }
    words.push_back(0);  // no menu
    words.push_back(0);  // the predefined dialog class
    AppendString(caption);
    words.push_back(pointSize);
    AppendString(font);
}

void DialogTemplate::AddControl(WORD predefinedClass, WORD id, DWORD style, short x, short y,
                                short width, short height, std::wstring_view text)
{
    AlignToDword();
    AppendDword(words, style | WS_CHILD | WS_VISIBLE);
    AppendDword(words, 0);
    for (const short value : {x, y, width, height}) {
        words.push_back(static_cast<WORD>(value));
    }
    words.push_back(id);
    words.push_back(0xFFFF);
    words.push_back(predefinedClass);
    AppendString(text);
    words.push_back(0);  // no creation data
    ++words[countAt];
}

const DLGTEMPLATE* DialogTemplate::Get() const
{
    return reinterpret_cast<const DLGTEMPLATE*>(words.data());
}

void DialogTemplate::AppendString(std::wstring_view text)
{
    for (const wchar_t character : text) {
        words.push_back(static_cast<WORD>(character));
    }
    words.push_back(0);
}

void DialogTemplate::AlignToDword()
{
    if (words.size() % 2 != 0) {
        words.push_back(0);
    }
}

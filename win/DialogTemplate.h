#pragma once

#include <string_view>
#include <vector>

#include <windows.h>

// A dialog template built in memory (DLGTEMPLATE and its DLGITEMTEMPLATEs) for
// DialogBoxIndirectParam: the small dialogs are drawn from their DialogLayout rather
// than from a second copy of it in the resource script. Units are dialog units.
class DialogTemplate
{
public:
    // The dialog itself, with the Japanese UI font at `pointSize`.
    DialogTemplate(DWORD style, short width, short height, std::wstring_view caption,
                   std::wstring_view font, WORD pointSize);
    // Adds a control of one of the predefined classes (0x0080 button, 0x0082 static).
    void AddControl(WORD predefinedClass, WORD id, DWORD style, short x, short y, short width,
                    short height, std::wstring_view text);
    const DLGTEMPLATE* Get() const;

    static constexpr WORD buttonClass = 0x0080;
    static constexpr WORD staticClass = 0x0082;

private:
    void AppendString(std::wstring_view text);
    void AlignToDword();

    // WORD-sized cells; the buffer starts DWORD-aligned, as every item must.
    std::vector<WORD> words;
    std::size_t countAt = 0;  // where the control count lives
};

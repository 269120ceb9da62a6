#pragma once

#include <string_view>
#include <vector>

// The wizard window's controls and where they sit: the one layout that the Qt window and
// the Windows window both build, so that the two cannot drift apart. Each entry names a
// control of wizard/ControlIds.h, what kind of control it is, its rectangle, its fixed
// caption and, for the images, its picture.
//
// Rectangles are in layout units: 4/7 of a dialog unit, which are the pixels of the 9 pt
// Japanese font the layout is drawn for (a dialog unit of 7/4 pixels both ways, so the
// window's 335 × 288 dialog units are 588 × 504 layout units). A window whose font gives
// other dialog units scales every rectangle by the same factor.
namespace layout {

enum class Kind
{
    PushButton,
    Label,        // one line of static text
    GroupBox,
    PathEdit,     // one line, read-only, scrolls sideways
    TextBox,      // several lines, read-only, no frame of its own (the introduction)
    SummaryBox,   // several lines, read-only, tab stops, a vertical scroll bar
    ReportBox,    // several lines, read-only, a scroll bar when they do not fit
    Image,        // a fixed picture: the banner and the title images
    Picture,      // the welcome picture, loaded at run time and placed by the logic
    Frame,        // a sunken rectangle
    FilesetList,  // a report list with the code and name columns
    CheckList,    // a list of items with check boxes
    RadioButton,  // two states, changed only by the logic
    ProgressBar,
    PathLabel,    // a sunken line of text holding a path, shortened in the middle
    ChoiceBox,    // a drop-down list of texts, one chosen; the window reports a choice
    MapPicture,   // a picture set by the logic, scaled down to fit with its aspect kept
};

// Flags of an entry; combined with |.
enum Flag : unsigned
{
    none = 0,
    centred = 1,      // text centred
    alignRight = 2,   // text at the right edge
    sunken = 4,       // a sunken border
    manyRows = 8,     // a list where several rows can be selected at once
    alwaysShown = 16, // shown from the start and never hidden (the banner)
};

struct Control
{
    int id;
    Kind kind;
    int x;  // layout units from the window's client area's top-left corner
    int y;
    int width;
    int height;
    std::string_view text;   // UTF-8; the caption the control starts with (an image's:
                             // the title it shows, for assistive technology)
    std::string_view image;  // Image: the picture's name, without extension ("banner")
    int bitmap;              // Image: its bitmap resource on Windows; 0 otherwise
    unsigned flags;
};

// The window's client area in layout units (335 × 288 dialog units).
inline constexpr int windowWidth = 588;
inline constexpr int windowHeight = 504;
// The etched line above the row of buttons, which has no id.
inline constexpr int separatorTop = 458;
// Layout units per 4 dialog units.
inline constexpr int unitsPerFourDialogUnits = 7;

// Every control, in the order the windows create them (also the Tab order).
const std::vector<Control>& Controls();
// The entry of control `id`, or null.
const Control* Find(int id);

}

#pragma once

#include "record.h"

#include <array>
#include <utility>

// The two windows as designed, in twips (1/1440 inch), and their conversion
// to pixels at a given DPI. Both front-ends place their controls from these
// tables; neither keeps a coordinate of its own. No toolkit, no fonts.

namespace pintwise {

struct TwipsRect {
    int left, top, width, height;
};

struct PixelRect {
    int left, top, width, height;
    bool operator==(const PixelRect&) const = default;
};

// Each edge is rounded on its own, so neighbouring controls never overlap
// or drift apart by a pixel. At 96 dpi a pixel is 15 twips, at 144 it is 10.
PixelRect twipsToPixels(TwipsRect twips, int dpiX, int dpiY);

struct FieldPlacement {
    Field field;
    const char* name;
    TwipsRect box;
    const char* labelName;
    const char* caption;
    TwipsRect labelBox; // 120 twips lower than the field it names
};

// In tab order: down the left column, then down the right one.
inline constexpr std::array<FieldPlacement, kFieldCount> kEntryFields { {
    { Field::Bier, "txtBier", { 2280, 600, 2175, 375 }, "LblName", "Name of Bier:", { 120, 720, 1815, 255 } },
    { Field::Country,
      "txtCountry",
      { 2280, 1200, 2175, 375 },
      "LblCountry",
      "Country of Orgin:",
      { 120, 1320, 1815, 255 } },
    { Field::Location, "txtLocation", { 2280, 1800, 2175, 375 }, "lblLocation", "Location:", { 120, 1920, 1815, 255 } },
    { Field::Style, "txtStyle", { 2280, 2400, 2175, 375 }, "lblStyle", "Style:", { 120, 2520, 1815, 255 } },
    { Field::Taste, "txtTaste", { 2280, 3000, 2175, 375 }, "lblTaste", "Taste:", { 120, 3120, 1815, 255 } },
    { Field::Brewery, "txtBrewery", { 7200, 600, 2175, 375 }, "lblBrewery", "Brewery:", { 5160, 720, 1815, 255 } },
    { Field::Purchese,
      "txtPurchese",
      { 7200, 1200, 2175, 375 },
      "lblPurchese",
      "Tasted at/Purchesed at:",
      { 5160, 1320, 1815, 255 } },
    { Field::Cost, "txtCost", { 7200, 1800, 2175, 375 }, "lblCost", "Cost:", { 5160, 1920, 1815, 255 } },
    { Field::Color, "txtColor", { 7200, 2400, 2175, 375 }, "lblColor", "Color:", { 5160, 2520, 1815, 255 } },
    { Field::Notes, "txtNotes", { 7200, 3000, 3375, 855 }, "lblNote", "Notes:", { 5160, 3120, 1815, 255 } },
} };

enum class ButtonArray { Action, Move };

struct ButtonPlacement {
    ButtonArray array;
    int index;
    const char* name;
    const char* caption; // at start; none holds "&", so none has an access key
    TwipsRect box;
    int tabIndex; // after the ten fields' 0 to 9 and the labels' 10 to 19
};

// In array order, cmdAction 0 to 3 then cmdMove 0 to 3.
inline constexpr std::array<ButtonPlacement, 8> kEntryButtons { {
    { ButtonArray::Action, 0, "cmdAction0", "New", { 240, 4200, 1215, 495 }, 20 },
    { ButtonArray::Action, 1, "cmdAction1", "Delete", { 2520, 4200, 1215, 495 }, 27 },
    { ButtonArray::Action, 2, "cmdAction2", "List", { 5520, 4200, 1215, 495 }, 21 },
    { ButtonArray::Action, 3, "cmdAction3", "Exit", { 8040, 4200, 1215, 495 }, 22 },
    { ButtonArray::Move, 0, "cmdMove0", "<<", { 240, 4920, 1215, 495 }, 23 },
    { ButtonArray::Move, 1, "cmdMove1", "<", { 2520, 4920, 1215, 495 }, 24 },
    { ButtonArray::Move, 2, "cmdMove2", ">", { 5520, 4920, 1215, 495 }, 25 },
    { ButtonArray::Move, 3, "cmdMove3", ">>", { 8040, 4920, 1215, 495 }, 26 },
} };

// The buttons in tab order: New, List, Exit, the four moves, Delete last.
inline constexpr std::array<ButtonPlacement, 8> kEntryButtonsInTabOrder = [] {
    auto buttons = kEntryButtons;
    for (std::size_t i = 1; i < buttons.size(); ++i) // a handful: insertion sort, usable in constexpr
        for (std::size_t j = i; j > 0 && buttons[j].tabIndex < buttons[j - 1].tabIndex; --j)
            std::swap(buttons[j], buttons[j - 1]);
    return buttons;
}();

inline constexpr const char* kEntryWindowName = "frmBier";
inline constexpr const char* kEntryWindowTitle = "Tapsmith Pintwise";
inline constexpr TwipsRect kEntryClientArea { 0, 0, 10785, 6195 };

inline constexpr const char* kNameListWindowName = "frmBierList";
inline constexpr const char* kNameListTitle = "Bier List";
inline constexpr const char* kNameListName = "List1";
inline constexpr TwipsRect kNameListClientArea { 0, 0, 4155, 7170 };
inline constexpr TwipsRect kNameListBox { 120, 240, 3855, 6690 };

// The captions were designed for a narrower font than today's desktops use.
// One that would be clipped at its fixed width is drawn a little smaller
// instead: the largest size, in half points from `pointSize` down to 6, at
// which `widthAt` (the caption's width in pixels at a point size) fits.
template <typename WidthAt> double pointSizeToFit(double pointSize, int width, WidthAt widthAt)
{
    while (pointSize > 6 && widthAt(pointSize) > width)
        pointSize -= 0.5;
    return pointSize;
}

} // namespace pintwise

#pragma once
// Captions and fonts of a window from the label file of the current language.
// The section read is the window's objectName ("frmMain", "frmOption", ...); every window
// that uses the label file calls fncApplyLabels on itself when it loads, before it sets
// any text of its own.

#include "app/app_state.h"

#include <string>

class QWidget;

// Applies every usable line of the window's section. Control names match without regard
// to case, the window's own name only exactly; one bank or bank group line labels all
// three bank menus. A missing file or section leaves the placeholders.
void fncApplyLabels(QWidget* window, const AppState& state);

// Labels the first control of the window named `name` (any case) and, when index is not -1,
// with that array index: caption (backslash-n becomes a line break; a control without a
// caption, such as a text box, keeps its text), font name and font size (a menu entry has
// no font; a size of 0 or less is not applied). Nothing happens when no control matches.
void fncSetControlText(QWidget* window, const std::string& name, int index,
                       const std::string& caption, const std::string& fontName, int fontSize);

#pragma once
// The label file of a window: which control gets which caption and font.

#include <string>
#include <vector>

struct AppState;

inline constexpr int kMinLabelFontSize = 1;
inline constexpr int kMaxLabelFontSize = 72;

struct LabelEntry {
    std::string name;     // control name, or the window's own name
    int index = -1;       // array index after "@", -1 for none
    std::string caption;  // UTF-8, TABs removed (backslash-n still as written)
    std::string fontName; // TABs removed
    int fontSize = 0;     // rounded half to even; 0 (keep the size) when outside 1..72
};

// The usable lines of the window's section in the label file of the current language,
// in file order. Comments and malformed lines (no "=", fewer than three "@" fields,
// a size or index that is not a number) are skipped; a missing file or section gives none.
std::vector<LabelEntry> readLabelEntries(const AppState& state, const std::string& windowName);

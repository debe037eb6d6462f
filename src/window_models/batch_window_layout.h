#pragma once
// The arithmetic of the batch conversion window, in twips: where its controls go for a window
// size, the two scroll bars' maxima for a list of names, and the list text a scroll position
// shows. Plain C++ so that the window only maps twips to pixels.

#include <string>
#include <vector>

// A fixed factor: the window keeps its proportions at any screen resolution.
inline constexpr int kTwipsPerPixel = 15;

inline constexpr int kListLineTwips = 210; // one list line
inline constexpr int kListCharTwips = 91;  // one character of a name
inline constexpr int kMinWindowHeight = 4470;
inline constexpr int kMinWindowWidth = 5415;
// What the window's border and title bar take of its outer size; the window lays out the
// client area as if it were the outer size minus these.
inline constexpr int kBorderWidthTwips = 120;
inline constexpr int kBorderHeightTwips = 495;

struct TwipRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipRect&) const = default;
};

struct ScrollState {
    bool visible = false;
    int maximum = 0;
    bool operator==(const ScrollState&) const = default;
};

struct BatchWindowLayout {
    int height = 0, width = 0; // the window size after the minimum was applied
    TwipRect convFrame, fileBox, tateScr, yokoScr, cmdOK, cmdAuto, cmdCancel;
    ScrollState tate, yoko;
};

// TateScr: shown when the list holds more entries than FileBox has lines (last index greater
// than height / 210); its maximum is last index - height / 210, rounded half to even.
ScrollState verticalScroll(int fileBoxHeight, std::size_t entryCount);

// YokoScr: shown when a name has more bytes than FileBox has columns (width / 91); its maximum
// is the largest excess, rounded half to even.
ScrollState horizontalScroll(int fileBoxWidth, const std::vector<std::string>& names);

// The layout for a window of height x width twips (raised to the minimum size first).
BatchWindowLayout batchWindowLayout(int height, int width, const std::vector<std::string>& names);

// The bytes a UTF-8 name takes in the Japanese ANSI code page (CP932): one for ASCII and the
// half-width katakana, two for every other character.
int codePageLength(const std::string& utf8Name);

// The lines FileBox shows: the names from index `first` on, each without its first `cut`
// characters.
std::vector<std::string> fileBoxLines(const std::vector<std::string>& names, int first, int cut);

#pragma once
// Where the main window opens: the default rectangle on the primary monitor
// and the rule that pulls a stored rectangle back onto a monitor. Rectangles
// are (left, top, right, bottom) with exclusive right and bottom edges, as
// the values "Left", "Top", "Right" and "Bottom" of "GUI/Frame" hold them.

struct CEdgeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CEdgeRect&) const = default;
};

inline constexpr int kDefaultFrameWidth = 930;
inline constexpr int kDefaultFrameHeight = 550;

// 930 x 550 centred in the work area, its left and top edges not before the
// work area's, its right and bottom edges cut at the work area's. Without a
// work area: (0, 25, 930, 575).
CEdgeRect DefaultFrameRect(const CEdgeRect* workArea);

// Moves a rectangle that lies off the work area back onto it, keeping its
// size where possible; smallCaption is the height of a small caption bar.
CEdgeRect PullOntoWorkArea(CEdgeRect rect, const CEdgeRect& workArea, int smallCaption);

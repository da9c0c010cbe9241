#include "windows/base/placement.h"

#include <algorithm>

CEdgeRect DefaultFrameRect(const CEdgeRect* workArea)
{
    if (!workArea)
        return {0, 25, kDefaultFrameWidth, 25 + kDefaultFrameHeight};
    CEdgeRect rect;
    rect.left = std::max(workArea->left, workArea->left + (workArea->Width() - kDefaultFrameWidth) / 2);
    rect.top = std::max(workArea->top, workArea->top + (workArea->Height() - kDefaultFrameHeight) / 2);
    rect.right = std::min(workArea->right, rect.left + kDefaultFrameWidth);
    rect.bottom = std::min(workArea->bottom, rect.top + kDefaultFrameHeight);
    return rect;
}

CEdgeRect PullOntoWorkArea(CEdgeRect rect, const CEdgeRect& area, int smallCaption)
{
    const int width = rect.Width();
    const int height = rect.Height();
    if (rect.left >= area.right) {
        rect.right = area.right;
        rect.left = std::max(area.left, area.right - width);
    } else if (rect.right <= area.left) {
        rect.left = area.left;
        rect.right = std::min(area.right, area.left + width);
    }
    if (rect.top >= area.bottom) {
        rect.bottom = area.bottom;
        rect.top = std::max(area.top, area.bottom - height);
    } else if (area.top - rect.top >= smallCaption) {
        rect.top = area.top;
        rect.bottom = std::min(area.bottom, area.top + height);
    }
    return rect;
}

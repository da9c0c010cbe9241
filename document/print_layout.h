#pragma once
// The geometry of a printed page as plain arithmetic over device pixels:
// margins from the stored values, whether they leave room for anything,
// the room the header and footer take, which file line fits, and where a
// page number goes. The page drawing and the page setup dialog use these.

#include <functional>
#include <string>

// The header and footer items of the print settings, bits from the least
// significant.
enum EHeaderItem : unsigned {
    ItemFileInfo = 1u << 0,  // file line in the header
    ItemTime = 1u << 1,      // time in the footer
    ItemDate = 1u << 2,      // date in the footer
    ItemNumber = 1u << 3,    // page number
};

// Page number formats (bits 4 to 6 of the items) and positions (bits 7 to 9).
enum ENumberFormat : unsigned { NumberPlain = 0, NumberDashed = 1, NumberOfTotal = 2 };
enum ENumberPosition : unsigned { HeaderCenter = 0, HeaderRight = 1, FooterCenter = 2, FooterRight = 3 };

inline constexpr unsigned kNumberFormatShift = 4;
inline constexpr unsigned kNumberPositionShift = 7;

// The stored format and position fields, unclamped.
inline unsigned StoredNumberFormat(unsigned items) { return (items >> kNumberFormatShift) & 7u; }
inline unsigned StoredNumberPosition(unsigned items) { return (items >> kNumberPositionShift) & 7u; }
// What printing uses: an unknown format prints as "n", an unknown position
// as "Footer right".
inline ENumberFormat NumberFormatOf(unsigned items)
{
    const unsigned format = StoredNumberFormat(items);
    return format > 2 ? NumberPlain : static_cast<ENumberFormat>(format);
}
inline ENumberPosition NumberPositionOf(unsigned items)
{
    const unsigned position = StoredNumberPosition(items);
    return position > 3 ? FooterRight : static_cast<ENumberPosition>(position);
}
// The items with the four check bits, a format index and a position index.
inline unsigned ComposeItems(unsigned checks, unsigned format, unsigned position)
{
    return (checks & 15u) | ((format & 7u) << kNumberFormatShift) | ((position & 7u) << kNumberPositionShift);
}
// Whether a page gets a header or a footer at all.
inline bool HasHeader(unsigned items)
{
    return (items & ItemFileInfo) != 0 || ((items & ItemNumber) != 0 && NumberPositionOf(items) <= HeaderRight);
}
inline bool HasFooter(unsigned items)
{
    return (items & (ItemTime | ItemDate)) != 0 ||
           ((items & ItemNumber) != 0 && NumberPositionOf(items) >= FooterCenter);
}


// What the page drawing needs to know about a printer (device pixels).
struct CDeviceMetrics {
    int dpiX = 0;
    int dpiY = 0;
    int physicalWidth = 0;
    int physicalHeight = 0;
    int offsetX = 0;  // physical offset of the printable area
    int offsetY = 0;
    int printableWidth = 0;
    int printableHeight = 0;
};

struct CDeviceMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const CDeviceMargins&) const = default;
};

// The stored margins (0.1 micrometre units) as distances inside the
// printable area, each clamped at 0.
CDeviceMargins DeviceMargins(int marginLeft, int marginTop, int marginRight, int marginBottom,
                             const CDeviceMetrics& device);
// Margins are usable when they leave some width and some height.
bool MarginsUsable(const CDeviceMargins& margins, const CDeviceMetrics& device);

// The room taken from the text area above and below: twice the height of a
// service-font line whenever the page has a header (or footer), whether or
// not its items fit. Counting pages and printing them use the same room.
int HeaderRoom(unsigned items, int serviceLineHeight);
int FooterRoom(unsigned items, int serviceLineHeight);

// Margins shown in the page setup dialog: hundredths of millimetres in the
// metric system, thousandths of inches otherwise; rounded to nearest.
int MarginToShown(int stored, bool metric);
int MarginFromShown(int shown, bool metric);

// The page number text by format: "%u", "- %u -", "%u of %u".
std::u16string PageNumberText(unsigned format, unsigned page, unsigned total);

// The time "%H:%M", and with the date a blank and "%#d %b %Y"
// (for example "14:05 7 Dec 2026"). Month is 1 to 12.
std::u16string TimeText(int hour, int minute);
std::u16string DateText(int day, int month, int year);

// The file line of the header: the text and whether the icon goes before
// it. `measure` gives a text's width; `iconWidth` is the icon's width.
struct CFileLine {
    bool drawn = false;
    bool icon = false;
    std::u16string text;
};
// The file name shown: the path after its last separator.
std::u16string FileNameOf(const std::u16string& path);
CFileLine ChooseFileLine(const std::u16string& path, int freeWidth, int iconWidth,
                         const std::function<int(const std::u16string&)>& measure);

// Where the page number goes in a line of full width W: the x offset from
// the line's left edge, or -1 when it does not fit. `freeWidth` is what the
// other items of the line left; `digitWidth` is the width of "8".
// `centered` asks for the centre positions.
int PageNumberOffset(int lineWidth, int freeWidth, int numberWidth, int digitWidth, bool centered);

// The page number of one page: the text by format, falling back to "%u"
// when the formatted text does not fit, and its offset in the line.
struct CPageNumber {
    bool drawn = false;
    std::u16string text;
    int offset = 0;
    int width = 0;
};
CPageNumber ChoosePageNumber(unsigned format, unsigned page, unsigned total, int lineWidth, int freeWidth,
                             int digitWidth, bool centered,
                             const std::function<int(const std::u16string&)>& measure);

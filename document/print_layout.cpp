#include "document/print_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

// value × pixels per inch / 254000, without overflow for any stored value.
int ToDevice(int stored, int dpi)
{
    return static_cast<int>(static_cast<std::int64_t>(stored) * dpi / 254000);
}

std::u16string Ascii(const char* text)
{
    std::u16string result;
    for (; *text != '\0'; ++text)
        result.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
    return result;
}

}  // namespace

CDeviceMargins DeviceMargins(int marginLeft, int marginTop, int marginRight, int marginBottom,
                             const CDeviceMetrics& device)
{
    const int rightOffset = device.physicalWidth - device.offsetX - device.printableWidth;
    const int bottomOffset = device.physicalHeight - device.offsetY - device.printableHeight;
    CDeviceMargins margins;
    margins.left = std::max(0, ToDevice(marginLeft, device.dpiX) - device.offsetX);
    margins.top = std::max(0, ToDevice(marginTop, device.dpiY) - device.offsetY);
    margins.right = std::max(0, ToDevice(marginRight, device.dpiX) - rightOffset);
    margins.bottom = std::max(0, ToDevice(marginBottom, device.dpiY) - bottomOffset);
    return margins;
}

bool MarginsUsable(const CDeviceMargins& margins, const CDeviceMetrics& device)
{
    return static_cast<std::int64_t>(margins.left) + margins.right < device.printableWidth &&
           static_cast<std::int64_t>(margins.top) + margins.bottom < device.printableHeight;
}

int HeaderRoom(unsigned items, int serviceLineHeight)
{
    return HasHeader(items) ? 2 * serviceLineHeight : 0;
}

int FooterRoom(unsigned items, int serviceLineHeight)
{
    return HasFooter(items) ? 2 * serviceLineHeight : 0;
}

int MarginToShown(int stored, bool metric)
{
    const std::int64_t value = stored;
    return static_cast<int>(metric ? (value + 50) / 100 : (value + 127) / 254);
}

int MarginFromShown(int shown, bool metric)
{
    const std::int64_t value = static_cast<std::int64_t>(shown) * (metric ? 100 : 254);
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

std::u16string PageNumberText(unsigned format, unsigned page, unsigned total)
{
    char buffer[48];
    switch (format) {
    case NumberDashed:
        std::snprintf(buffer, sizeof buffer, "- %u -", page);
        break;
    case NumberOfTotal:
        std::snprintf(buffer, sizeof buffer, "%u of %u", page, total);
        break;
    default:
        std::snprintf(buffer, sizeof buffer, "%u", page);
        break;
    }
    return Ascii(buffer);
}

std::u16string TimeText(int hour, int minute)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", hour, minute);
    return Ascii(buffer);
}

std::u16string DateText(int day, int month, int year)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d %s %04d", day, kMonths[std::clamp(month, 1, 12) - 1], year);
    return Ascii(buffer);
}

std::u16string FileNameOf(const std::u16string& path)
{
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

CFileLine ChooseFileLine(const std::u16string& path, int freeWidth, int iconWidth,
                         const std::function<int(const std::u16string&)>& measure)
{
    const std::u16string name = FileNameOf(path);
    std::u16string full;
    if (path.empty())
        full = u" Calculator unnamed file";
    else if (path.back() == u'm' || path.back() == u'M')
        full = u" Calculator memory file " + name;
    else
        full = u" Calculator file " + name;
    const std::u16string withIcon[] = {
        full,
        name.empty() ? std::u16string() : u" File " + name,
        name.empty() ? std::u16string() : u" " + name,
    };
    for (const std::u16string& text : withIcon) {
        if (static_cast<std::int64_t>(measure(text)) + iconWidth <= freeWidth)
            return {true, true, text};
    }
    if (measure(name) <= freeWidth)
        return {true, false, name};
    return {};
}

int PageNumberOffset(int lineWidth, int freeWidth, int numberWidth, int digitWidth, bool centered)
{
    if (numberWidth > freeWidth)
        return -1;
    if (centered &&
        static_cast<std::int64_t>(freeWidth) >= (static_cast<std::int64_t>(lineWidth) + numberWidth + 1) / 2 + digitWidth)
        return (lineWidth - numberWidth + 1) / 2;
    return lineWidth - numberWidth;
}

CPageNumber ChoosePageNumber(unsigned format, unsigned page, unsigned total, int lineWidth, int freeWidth,
                             int digitWidth, bool centered,
                             const std::function<int(const std::u16string&)>& measure)
{
    CPageNumber number;
    number.text = PageNumberText(format, page, total);
    number.width = measure(number.text);
    if (number.width > freeWidth && format != NumberPlain) {
        number.text = PageNumberText(NumberPlain, page, total);
        number.width = measure(number.text);
    }
    number.offset = PageNumberOffset(lineWidth, freeWidth, number.width, digitWidth, centered);
    number.drawn = number.offset >= 0;
    if (!number.drawn)
        number.text.clear();
    return number;
}

#include "document/qt/print_settings.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

namespace {

const char* const kGroup = "Print";

// Offsets and field bits of the device-mode block.
constexpr int kNameChars = 32;
constexpr int kModeVersionAt = 64;
constexpr int kSizeAt = 68;
constexpr int kFieldsAt = 72;
constexpr int kOrientationAt = 76;
constexpr int kPaperAt = 78;
constexpr int kCopiesAt = 86;
constexpr unsigned kFieldOrientation = 0x1;
constexpr unsigned kFieldPaper = 0x2;
constexpr unsigned kFieldCopies = 0x100;

unsigned ReadUnsigned(QSettings& settings, const char* name, unsigned fallback)
{
    bool ok = false;
    const qlonglong value = settings.value(name).toLongLong(&ok);
    // Values were always stored as 32-bit integers; a negative one is a
    // large unsigned value.
    return ok ? static_cast<unsigned>(value) : fallback;
}

int ReadInt(QSettings& settings, const char* name, int fallback)
{
    bool ok = false;
    const int value = settings.value(name).toInt(&ok);
    return ok ? value : fallback;
}

void LoadFont(QSettings& settings, const char* prefix, CPrintFont& font)
{
    const QString p = QString::fromLatin1(prefix);
    const QString face = settings.value(p + "FontFace").toString();
    if (settings.contains(p + "FontFace"))
        font.face = face;
    font.size = ReadUnsigned(settings, (p + "FontSize").toLatin1().constData(), font.size);
    font.weight = ReadUnsigned(settings, (p + "FontWeight").toLatin1().constData(), font.weight);
    // Any stored value other than 0 reads as italic.
    font.italic = ReadUnsigned(settings, (p + "FontItalic").toLatin1().constData(), font.italic ? 1 : 0) != 0;
}

void SaveFont(QSettings& settings, const char* prefix, const CPrintFont& font)
{
    const QString p = QString::fromLatin1(prefix);
    settings.setValue(p + "FontFace", font.face);
    settings.setValue(p + "FontSize", font.size);
    settings.setValue(p + "FontWeight", font.weight);
    settings.setValue(p + "FontItalic", font.italic ? 1 : 0);
}

quint16 Word(const QByteArray& block, int at)
{
    return static_cast<quint16>(static_cast<unsigned char>(block[at]) |
                                (static_cast<unsigned char>(block[at + 1]) << 8));
}

void SetWord(QByteArray& block, int at, unsigned value)
{
    block[at] = static_cast<char>(value & 0xFF);
    block[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

}  // namespace

void CPrintSettings::Load(QSettings& settings)
{
    settings.beginGroup(kGroup);
    marginLeft = ReadInt(settings, "MarginLeft", marginLeft);
    marginTop = ReadInt(settings, "MarginTop", marginTop);
    marginRight = ReadInt(settings, "MarginRight", marginRight);
    marginBottom = ReadInt(settings, "MarginBottom", marginBottom);
    items = ReadUnsigned(settings, "Items", items);
    LoadFont(settings, "Text", textFont);
    LoadFont(settings, "Service", serviceFont);
    settings.endGroup();
}

void CPrintSettings::Save(QSettings& settings) const
{
    settings.beginGroup(kGroup);
    settings.setValue("MarginLeft", marginLeft);
    settings.setValue("MarginTop", marginTop);
    settings.setValue("MarginRight", marginRight);
    settings.setValue("MarginBottom", marginBottom);
    settings.setValue("Items", items);
    SaveFont(settings, "Text", textFont);
    SaveFont(settings, "Service", serviceFont);
    settings.endGroup();
}

CPrintSettings& PrintSettings()
{
    static CPrintSettings settings;
    return settings;
}

void CPrinterChoice::Restore(QSettings& settings)
{
    if (!IsEmpty())
        return;
    settings.beginGroup(kGroup);
    CPrinterChoice stored;
    stored.device = settings.value("Device").toString();
    stored.driver = settings.value("Driver").toString();
    stored.output = settings.value("Output").toString();
    stored.isDefault = ReadInt(settings, "Default", 0);
    const QByteArray storedMode = settings.value("Mode").toByteArray();
    settings.endGroup();
    if (!stored.HasNames())
        return;
    device = stored.device;
    driver = stored.driver;
    output = stored.output;
    isDefault = stored.isDefault;
    if (storedMode.size() == kModeSize) {
        mode = storedMode;
        if (ModeFields(mode) & kFieldCopies)
            SetWord(mode, kCopiesAt, 1);
    }
}

void CPrinterChoice::Save(QSettings& settings) const
{
    if (!HasNames() || !HasMode())
        return;
    settings.beginGroup(kGroup);
    settings.setValue("Device", device);
    settings.setValue("Driver", driver);
    settings.setValue("Output", output);
    settings.setValue("Default", isDefault);
    settings.setValue("Mode", mode);
    settings.endGroup();
}

bool CPrinterChoice::ApplyTo(QPrinter& printer) const
{
    if (!HasNames())
        return false;
    const QPrinterInfo info = QPrinterInfo::printerInfo(device);
    if (info.isNull())
        return false;
    printer.setPrinterName(device);
    if (HasMode()) {
        const int orientation = ModeOrientation(mode);
        if (orientation == 1 || orientation == 2)
            printer.setPageOrientation(orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
        if (const int paper = ModePaper(mode); paper > 0) {
            const QPageSize size(QPageSize::id(paper));
            if (size.isValid())
                printer.setPageSize(size);
        }
        if (const int copies = ModeCopies(mode); copies > 0)
            printer.setCopyCount(copies);
    }
    return true;
}

void CPrinterChoice::TakeFrom(const QPrinter& printer)
{
    if (printer.printerName().isEmpty())
        return;
    const QPrinterInfo info = QPrinterInfo::printerInfo(printer.printerName());
    device = printer.printerName();
    driver = info.makeAndModel().isEmpty() ? QStringLiteral("Qt") : info.makeAndModel();
    output = info.location().isEmpty() ? device : info.location();
    isDefault = !info.isNull() && info.isDefault() ? 1 : 0;
    mode = BuildMode(device, printer.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1,
                     printer.pageLayout().pageSize().windowsId(), printer.copyCount());
}

QByteArray CPrinterChoice::BuildMode(const QString& device, int orientation, int paperId, int copies)
{
    QByteArray block(kModeSize, '\0');
    const QString name = device.left(kNameChars - 1);
    for (int i = 0; i < name.size(); ++i)
        SetWord(block, 2 * i, name[i].unicode());
    SetWord(block, kModeVersionAt, 0x0401);
    SetWord(block, kSizeAt, kModeSize);
    unsigned fields = kFieldCopies;
    if (orientation == 1 || orientation == 2)
        fields |= kFieldOrientation;
    if (paperId > 0)
        fields |= kFieldPaper;
    SetWord(block, kFieldsAt, fields & 0xFFFF);
    SetWord(block, kFieldsAt + 2, fields >> 16);
    SetWord(block, kOrientationAt, static_cast<unsigned>(orientation));
    SetWord(block, kPaperAt, static_cast<unsigned>(paperId));
    SetWord(block, kCopiesAt, static_cast<unsigned>(copies));
    return block;
}

unsigned CPrinterChoice::ModeFields(const QByteArray& mode)
{
    if (mode.size() != kModeSize)
        return 0;
    return Word(mode, kFieldsAt) | (static_cast<unsigned>(Word(mode, kFieldsAt + 2)) << 16);
}

int CPrinterChoice::ModeOrientation(const QByteArray& mode)
{
    return (ModeFields(mode) & kFieldOrientation) ? Word(mode, kOrientationAt) : 0;
}

int CPrinterChoice::ModePaper(const QByteArray& mode)
{
    return (ModeFields(mode) & kFieldPaper) ? Word(mode, kPaperAt) : 0;
}

int CPrinterChoice::ModeCopies(const QByteArray& mode)
{
    return (ModeFields(mode) & kFieldCopies) ? static_cast<qint16>(Word(mode, kCopiesAt)) : 0;
}

CPrinterChoice& PrinterChoice()
{
    static CPrinterChoice choice;
    return choice;
}

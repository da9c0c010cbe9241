#pragma once
// What printing keeps between sessions: the page settings (margins, header
// and footer items, text and header/footer fonts) and the printer chosen in
// the print and page-setup dialogs. Both live in the settings group "Print".

#include <QByteArray>
#include <QString>

#include "document/print_layout.h"

class QPrinter;
class QSettings;

struct CPrintFont {
    QString face;
    unsigned size = 12;     // points
    unsigned weight = 400;  // 400 normal, 700 bold
    bool italic = false;

    bool operator==(const CPrintFont&) const = default;
};

struct CPrintSettings {
    // Margins in units of 0.1 micrometre (1/10000 mm).
    int marginLeft = 250000;
    int marginTop = 150000;
    int marginRight = 150000;
    int marginBottom = 150000;
    unsigned items = 431;  // all four items, "n of N", "Footer right"
    CPrintFont textFont = DefaultTextFont();
    CPrintFont serviceFont = DefaultServiceFont();

    static CPrintFont DefaultTextFont() { return {QStringLiteral("Courier New"), 12, 400, false}; }
    static CPrintFont DefaultServiceFont() { return {QStringLiteral("Times New Roman"), 10, 400, true}; }

    // Reads the group "Print" of the settings; a missing value keeps its
    // default. Writes all thirteen values back.
    void Load(QSettings& settings);
    void Save(QSettings& settings) const;

    bool operator==(const CPrintSettings&) const = default;
};

// The process-wide print settings.
CPrintSettings& PrintSettings();

// The printer chosen for printing: its names and a 220-byte device-mode
// block in the layout the stored "Mode" value has always had (device name,
// field mask, orientation, paper size, copy count). Empty until a printer
// is chosen in a dialog or restored from the settings.
class CPrinterChoice {
public:
    static constexpr int kModeSize = 220;

    QString device;
    QString driver;
    QString output;
    int isDefault = 0;
    QByteArray mode;

    bool HasNames() const { return !device.isEmpty() && !driver.isEmpty() && !output.isEmpty(); }
    bool HasMode() const { return mode.size() == kModeSize; }
    bool IsEmpty() const { return !HasNames() && !HasMode(); }
    void Clear() { *this = CPrinterChoice(); }

    // Reads "Device", "Driver", "Output", "Default" and "Mode" from the
    // group "Print" when nothing is chosen yet. The names are taken only
    // when all three are non-empty; the mode only when exactly 220 bytes
    // long, and then with its copy count reset to 1.
    void Restore(QSettings& settings);
    // Writes the five values when both the names and the mode exist.
    void Save(QSettings& settings) const;

    // Points the printer at the chosen device, with its orientation and
    // paper from the mode. False when that printer is not installed.
    bool ApplyTo(QPrinter& printer) const;
    // Takes the printer's device, orientation, paper and copy count.
    void TakeFrom(const QPrinter& printer);

    // The device-mode block: its field mask and the values it can carry.
    static QByteArray BuildMode(const QString& device, int orientation, int paperId, int copies);
    static unsigned ModeFields(const QByteArray& mode);
    static int ModeOrientation(const QByteArray& mode);  // 1 portrait, 2 landscape, 0 absent
    static int ModePaper(const QByteArray& mode);        // the paper's numeric id, 0 absent
    static int ModeCopies(const QByteArray& mode);       // 0 absent
};

// The process-wide printer choice.
CPrinterChoice& PrinterChoice();

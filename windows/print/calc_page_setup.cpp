#include "windows/print/calc_page_setup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Points to pixels of the screen and back, rounded to nearest.
int ScreenDpi(const QWidget* widget)
{
    const QScreen* screen = widget->screen();
    return screen != nullptr ? std::max(1, qRound(screen->logicalDotsPerInchY())) : 96;
}

}  // namespace

CCalcPageSetup::CCalcPageSetup(QPrinter* printer, CPrintSettings& settings, CPrinterChoice& choice,
                               QWidget* parent)
    : QDialog(parent)
    , m_printer(printer)
    , m_settings(settings)
    , m_choice(choice)
    , m_metric(QLocale().measurementSystem() == QLocale::MetricSystem)
{
    setWindowTitle(tr("Page Setup"));
    selectFont = [this](QFont& font) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, this);
        if (ok)
            font = chosen;
        return ok;
    };

    // Paper and orientation of the printer.
    auto* paperBox = new QGroupBox(tr("Paper"), this);
    m_paper = new QComboBox(paperBox);
    m_paper->setObjectName("paperSize");
    auto* paperForm = new QFormLayout(paperBox);
    paperForm->addRow(tr("Si&ze:"), m_paper);
    FillPaperSizes();

    auto* orientationBox = new QGroupBox(tr("Orientation"), this);
    m_portrait = new QRadioButton(tr("P&ortrait"), orientationBox);
    m_landscape = new QRadioButton(tr("L&andscape"), orientationBox);
    m_landscape->setObjectName("landscape");
    (m_printer->pageLayout().orientation() == QPageLayout::Landscape ? m_landscape : m_portrait)->setChecked(true);
    auto* orientationLayout = new QVBoxLayout(orientationBox);
    orientationLayout->addWidget(m_portrait);
    orientationLayout->addWidget(m_landscape);

    // Margins in hundredths of millimetres or thousandths of inches, shown
    // as millimetres or inches.
    auto* marginBox = new QGroupBox(m_metric ? tr("Margins (millimeters)") : tr("Margins (inches)"), this);
    auto* marginGrid = new QGridLayout(marginBox);
    const int stored[] = {m_settings.marginLeft, m_settings.marginRight, m_settings.marginTop, m_settings.marginBottom};
    const char* const marginLabels[] = {QT_TR_NOOP("&Left:"), QT_TR_NOOP("&Right:"), QT_TR_NOOP("&Top:"),
                                        QT_TR_NOOP("&Bottom:")};
    const char* const marginNames[] = {"marginLeft", "marginRight", "marginTop", "marginBottom"};
    for (int i = 0; i < 4; ++i) {
        auto* spin = new QDoubleSpinBox(marginBox);
        spin->setObjectName(marginNames[i]);
        spin->setDecimals(m_metric ? 2 : 3);
        spin->setRange(0, m_metric ? 1000.0 : 40.0);
        spin->setSingleStep(m_metric ? 1.0 : 0.1);
        spin->setValue(MarginToShown(stored[i], m_metric) / (m_metric ? 100.0 : 1000.0));
        m_margins[i] = spin;
        auto* label = new QLabel(tr(marginLabels[i]), marginBox);
        label->setBuddy(spin);
        marginGrid->addWidget(label, i / 2, (i % 2) * 2);
        marginGrid->addWidget(spin, i / 2, (i % 2) * 2 + 1);
    }

    // Header and footer items.
    auto* pageBox = new QGroupBox(tr("Page"), this);
    const char* const itemTexts[] = {QT_TR_NOOP("File info"), QT_TR_NOOP("Time"), QT_TR_NOOP("Date"),
                                     QT_TR_NOOP("Number")};
    const char* const itemNames[] = {"fileInfo", "time", "date", "number"};
    for (int i = 0; i < 4; ++i) {
        m_items[i] = new QCheckBox(tr(itemTexts[i]), pageBox);
        m_items[i]->setObjectName(itemNames[i]);
        m_items[i]->setChecked((m_settings.items & (1u << i)) != 0);
    }
    m_numberFormat = new QComboBox(pageBox);
    m_numberFormat->setObjectName("numberFormat");
    // The page number as it is printed; printed texts are not translated.
    m_numberFormat->addItems({"n", "- n -", "n of N"});
    m_numberFormat->setCurrentIndex(static_cast<int>(std::min(StoredNumberFormat(m_settings.items), 2u)));
    m_position = new QComboBox(pageBox);
    m_position->setObjectName("position");
    m_position->addItems({tr("Header center"), tr("Header right"), tr("Footer center"), tr("Footer right")});
    m_position->setCurrentIndex(static_cast<int>(std::min(StoredNumberPosition(m_settings.items), 3u)));
    const auto followNumber = [this] {
        const bool on = m_items[3]->isChecked();
        m_numberFormat->setEnabled(on);
        m_position->setEnabled(on);
    };
    connect(m_items[3], &QCheckBox::toggled, this, followNumber);
    followNumber();
    auto* pageGrid = new QGridLayout(pageBox);
    pageGrid->addWidget(m_items[0], 0, 0);
    pageGrid->addWidget(m_items[2], 0, 1);
    pageGrid->addWidget(m_items[1], 1, 0);
    pageGrid->addWidget(m_items[3], 1, 1);
    pageGrid->addWidget(new QLabel(tr("Number format"), pageBox), 2, 0);
    pageGrid->addWidget(m_numberFormat, 2, 1);
    pageGrid->addWidget(new QLabel(tr("Position"), pageBox), 3, 0);
    pageGrid->addWidget(m_position, 3, 1);

    m_textFont.font = m_settings.textFont;
    m_textFont.defaults = CPrintSettings::DefaultTextFont();
    m_serviceFont.font = m_settings.serviceFont;
    m_serviceFont.defaults = CPrintSettings::DefaultServiceFont();
    QGroupBox* textBox = MakeFontGroup(m_textFont, tr("Text font"), "textFont");
    QGroupBox* serviceBox = MakeFontGroup(m_serviceFont, tr("Header/footer font"), "serviceFont");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* printerButton = buttons->addButton(tr("&Printer..."), QDialogButtonBox::ActionRole);
    printerButton->setObjectName("printer");
    printerButton->setEnabled(!QPrinterInfo::availablePrinterNames().isEmpty());
    connect(printerButton, &QPushButton::clicked, this, &CCalcPageSetup::ChoosePrinter);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCalcPageSetup::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCalcPageSetup::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(paperBox, 0, 0);
    grid->addWidget(orientationBox, 0, 1);
    grid->addWidget(marginBox, 1, 0, 1, 2);
    grid->addWidget(pageBox, 2, 0, 2, 1);
    grid->addWidget(textBox, 2, 1);
    grid->addWidget(serviceBox, 3, 1);
    grid->addWidget(buttons, 4, 0, 1, 2);
}

QString CCalcPageSetup::FontText(const CPrintFont& font)
{
    QString text = tr("%1 %2 pt").arg(font.face).arg(font.size);
    if (font.weight > 400)
        text += tr(", bold");
    if (font.italic)
        text += tr(", italic");
    return text;
}

QGroupBox* CCalcPageSetup::MakeFontGroup(CFontGroup& group, const QString& title, const QString& name)
{
    group.box = new QGroupBox(title, this);
    group.field = new QLineEdit(group.box);
    group.field->setObjectName(name);
    group.field->setReadOnly(true);
    const QString longest = tr("%1 %2 pt").arg("Times New Roman").arg(10) + tr(", bold") + tr(", italic");
    group.field->setMinimumWidth(group.field->fontMetrics().horizontalAdvance(longest) +
                                 4 * group.field->fontMetrics().averageCharWidth());
    group.select = new QPushButton(tr("Select..."), group.box);
    group.select->setObjectName(name + "Select");
    group.byDefault = new QCheckBox(tr("Default"), group.box);
    group.byDefault->setObjectName(name + "Default");
    connect(group.select, &QPushButton::clicked, this, [this, &group] { SelectFont(group); });
    connect(group.byDefault, &QCheckBox::clicked, this, [this, &group](bool checked) {
        // Checking sets the default font; unchecking changes nothing.
        if (checked) {
            group.font = group.defaults;
            ShowFont(group);
        }
    });
    auto* layout = new QGridLayout(group.box);
    layout->addWidget(group.field, 0, 0, 1, 2);
    layout->addWidget(group.select, 1, 0);
    layout->addWidget(group.byDefault, 1, 1);
    ShowFont(group);
    return group.box;
}

void CCalcPageSetup::ShowFont(CFontGroup& group)
{
    group.field->setText(FontText(group.font));
    group.field->setCursorPosition(0);
    group.byDefault->setChecked(group.font == group.defaults);
}

void CCalcPageSetup::SelectFont(CFontGroup& group)
{
    // The font dialog works in screen pixels: the size becomes a pixel
    // height and comes back from it, rounded so that a size survives the
    // round trip unchanged.
    const int dpi = ScreenDpi(this);
    QFont font(group.font.face);
    font.setPixelSize(std::max(1, qRound(group.font.size * dpi / 72.0)));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(group.font.weight, 1u, 1000u)));
    font.setItalic(group.font.italic);
    if (!selectFont || !selectFont(font))
        return;
    if (font.pixelSize() > 0)
        group.font.size = static_cast<unsigned>(std::max(1, qRound(font.pixelSize() * 72.0 / dpi)));
    else
        group.font.size = static_cast<unsigned>(std::max(1, qRound(font.pointSizeF())));
    group.font.weight = static_cast<unsigned>(font.weight());
    group.font.italic = font.italic();
    group.font.face = font.family();
    ShowFont(group);
}

void CCalcPageSetup::FillPaperSizes()
{
    QList<QPageSize> sizes;
    const QPrinterInfo info = QPrinterInfo::printerInfo(m_printer->printerName());
    if (!info.isNull())
        sizes = info.supportedPageSizes();
    if (sizes.isEmpty()) {
        for (const QPageSize::PageSizeId id : {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B4, QPageSize::B5,
                                               QPageSize::Letter, QPageSize::Legal, QPageSize::Executive,
                                               QPageSize::Tabloid})
            sizes << QPageSize(id);
    }
    const QPageSize current = m_printer->pageLayout().pageSize();
    bool found = false;
    for (const QPageSize& size : sizes)
        found = found || size.isEquivalentTo(current);
    if (!found && current.isValid())
        sizes.prepend(current);
    m_paper->clear();
    for (const QPageSize& size : sizes) {
        m_paper->addItem(size.name(), QVariant::fromValue(size));
        if (size.isEquivalentTo(current))
            m_paper->setCurrentIndex(m_paper->count() - 1);
    }
}

void CCalcPageSetup::ChoosePrinter()
{
    const QStringList names = QPrinterInfo::availablePrinterNames();
    bool ok = false;
    const QString name = QInputDialog::getItem(this, tr("Printer"), tr("&Name:"), names,
                                               std::max(0, static_cast<int>(names.indexOf(m_printer->printerName()))),
                                               false, &ok);
    if (!ok || name.isEmpty())
        return;
    m_printer->setPrinterName(name);
    FillPaperSizes();
}

void CCalcPageSetup::accept()
{
    int shown[4];
    for (int i = 0; i < 4; ++i)
        shown[i] = qRound(m_margins[i]->value() * (m_metric ? 100.0 : 1000.0));
    m_settings.marginLeft = MarginFromShown(shown[0], m_metric);
    m_settings.marginRight = MarginFromShown(shown[1], m_metric);
    m_settings.marginTop = MarginFromShown(shown[2], m_metric);
    m_settings.marginBottom = MarginFromShown(shown[3], m_metric);

    unsigned checks = 0;
    for (int i = 0; i < 4; ++i)
        if (m_items[i]->isChecked())
            checks |= 1u << i;
    const int format = m_numberFormat->currentIndex();
    const int position = m_position->currentIndex();
    m_settings.items = ComposeItems(checks, format < 0 ? NumberOfTotal : static_cast<unsigned>(format),
                                    position < 0 ? FooterRight : static_cast<unsigned>(position));
    m_settings.textFont = m_textFont.font;
    m_settings.serviceFont = m_serviceFont.font;

    if (const QVariant size = m_paper->currentData(); size.canConvert<QPageSize>())
        m_printer->setPageSize(size.value<QPageSize>());
    m_printer->setPageOrientation(m_landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait);
    m_choice.TakeFrom(*m_printer);
    QDialog::accept();
}

#include "windows/plot/calc_plot.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QSvgGenerator>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "document/qt/qt_text.h"
#include "windows/plot/plot_canvas.h"
#include "windows/plot/plot_worker.h"

namespace {

const char* const kSection = "GUI/Plot";
constexpr double kDefaultFrom = -10.0;
constexpr double kDefaultTo = 10.0;
constexpr double kDefaultPlane = 4.0;

}  // namespace

CCalcPlot::CCalcPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName("PlotPane");
    m_canvas = new CPlotCanvas(this);
    m_viewList = new QComboBox(this);
    m_viewList->addItem(tr("Over a line"));
    m_viewList->addItem(tr("Over the plane"));
    m_viewList->setToolTip(tr("Plot the calculation over a line or over the complex plane"));
    const char* const labels[4] = {QT_TR_NOOP("From"), QT_TR_NOOP("to"), QT_TR_NOOP("Im from"), QT_TR_NOOP("to")};
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(m_viewList);
    for (int i = 0; i < 4; ++i) {
        m_labels[i] = new QLabel(tr(labels[i]), this);
        m_fields[i] = new QLineEdit(this);
        m_fields[i]->setMaximumWidth(90);
        m_fields[i]->setObjectName(QString("PlotRange%1").arg(i));
        m_labels[i]->setBuddy(m_fields[i]);
        bar->addWidget(m_labels[i]);
        bar->addWidget(m_fields[i]);
        connect(m_fields[i], &QLineEdit::editingFinished, this, [this] { ReadRanges(); });
    }
    bar->addStretch();
    m_exportButton = new QToolButton(this);
    m_exportButton->setText(tr("Export"));
    m_exportButton->setToolTip(tr("Save the picture as PNG or SVG"));
    m_exportButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(m_exportButton);
    menu->addAction(tr("As &PNG..."), this, [this] {
        const QString path = askExportFileName ? askExportFileName(tr("PNG pictures (*.png)"), "png") : QString();
        if (!path.isEmpty())
            ExportPng(path);
    });
    menu->addAction(tr("As &SVG..."), this, [this] {
        const QString path = askExportFileName ? askExportFileName(tr("SVG drawings (*.svg)"), "svg") : QString();
        if (!path.isEmpty())
            ExportSvg(path);
    });
    m_exportButton->setMenu(menu);
    bar->addWidget(m_exportButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_canvas, 1);

    connect(m_viewList, &QComboBox::activated, this, [this](int index) { SetView(static_cast<EPlotView>(index)); });
    connect(m_canvas, &CPlotCanvas::viewChanged, this, [this] {
        ShowRanges();
        Restart();
    });
    connect(m_canvas, &CPlotCanvas::resetRequested, this, &CCalcPlot::ResetRanges);
    // Deliveries come from the worker's thread and are taken on this one;
    // those still queued when the pane goes are dropped with it.
    m_worker = std::make_unique<CPlotWorker>([this] {
        ++m_posted;
        QMetaObject::invokeMethod(
            this,
            [this] {
                for (const auto& delivery : m_worker->Take())
                    Accept(delivery);
            },
            Qt::QueuedConnection);
    });
    ShowRanges();
}

// The one wait for the worker: it is cancelled and joined.
CCalcPlot::~CCalcPlot()
{
    m_worker.reset();
}

QString CCalcPlot::Plot(const std::vector<std::u16string>& expressions)
{
    if (expressions.empty())
        return tr("Nothing to plot: no calculation at the caret");
    std::vector<std::unique_ptr<CPlotStatement>> statements;
    const NCalculatorText::CCalcContext standalone;
    const NCalculatorText::CCalcContext& user = userContext ? userContext() : standalone;
    for (const std::u16string& expression : expressions) {
        auto statement = std::make_unique<CPlotStatement>(user);
        const EPlotPrepare result = statement->Prepare(expression);
        const QString text = ToQString(statement->Text());
        switch (result) {
        case EPlotPrepare::Ready:
            break;
        case EPlotPrepare::SyntaxError:
            return tr("Nothing to plot: \"%1\" is not a calculation").arg(text);
        case EPlotPrepare::NoFreeName:
            return tr("Nothing to plot: \"%1\" has no free name to plot over").arg(text);
        case EPlotPrepare::SeveralFreeNames: {
            QStringList names;
            for (const std::u16string& name : statement->Expression().FreeNames())
                names << ToQString(name);
            return tr("Nothing to plot: \"%1\" has more than one free name (%2)").arg(text, names.join(", "));
        }
        }
        statements.push_back(std::move(statement));
    }
    m_snapshot = std::make_unique<NCalculatorText::CCalcContext>(user.MakeScratch(nullptr));
    // The imaginary part of the random numbers takes its seed from the clock
    // at the first draw. Fixed once here, every view of this plot (and its
    // quick picture's copies) draws the same sequence, rather than each job
    // seeding from whatever millisecond its first draw fell in.
    m_snapshot->random.SeedImaginaryOnce();
    m_statements = std::move(statements);
    m_expressions = expressions;
    CPlotPicture& picture = m_canvas->Picture();
    picture.curves.clear();
    picture.planeImage = QImage();
    picture.planeText = ToQString(m_statements[0]->Text());
    picture.planeName = ToQString(m_statements[0]->Expression().Name());
    picture.fixedValues = false;
    Restart();
    NoteFirstStatementOnly();
    return QString();
}

void CCalcPlot::SetView(EPlotView view)
{
    m_canvas->Picture().view = view;
    m_viewList->setCurrentIndex(static_cast<int>(view));
    ShowRanges();
    Restart();
    NoteFirstStatementOnly();
}

void CCalcPlot::NoteFirstStatementOnly()
{
    // The plane has room for one picture: colours cannot be laid over each
    // other as curves can.
    if (View() == EPlotView::Plane && m_statements.size() > 1)
        emit note(tr("Only the first calculation, \"%1\", is drawn over the plane")
                      .arg(ToQString(m_statements[0]->Text())));
}

void CCalcPlot::SetLineRange(double from, double to)
{
    CPlotPicture& picture = m_canvas->Picture();
    if (!(to > from) || !std::isfinite(from) || !std::isfinite(to))
        return;
    picture.from = from;
    picture.to = to;
    picture.fixedValues = false;
    ShowRanges();
    Restart();
}

void CCalcPlot::SetPlaneRange(double reMin, double reMax, double imMin, double imMax)
{
    if (!(reMax > reMin) || !(imMax > imMin))
        return;
    CPlaneView& v = m_canvas->Picture().plane;
    v.reMin = reMin;
    v.reMax = reMax;
    v.imMin = imMin;
    v.imMax = imMax;
    ShowRanges();
    Restart();
}

void CCalcPlot::ResetRanges()
{
    CPlotPicture& picture = m_canvas->Picture();
    if (picture.view == EPlotView::Line) {
        picture.from = kDefaultFrom;
        picture.to = kDefaultTo;
        picture.fixedValues = false;
    } else {
        picture.plane.reMin = picture.plane.imMin = -kDefaultPlane;
        picture.plane.reMax = picture.plane.imMax = kDefaultPlane;
    }
    ShowRanges();
    Restart();
}

void CCalcPlot::ShowRanges()
{
    const CPlotPicture& picture = m_canvas->Picture();
    const bool line = picture.view == EPlotView::Line;
    const double values[4] = {line ? picture.from : picture.plane.reMin, line ? picture.to : picture.plane.reMax,
                              picture.plane.imMin, picture.plane.imMax};
    m_labels[0]->setText(line ? tr("From") : tr("Re from"));
    for (int i = 0; i < 4; ++i) {
        m_fields[i]->setText(PlotNumberText(values[i]));
        m_fields[i]->setVisible(line ? i < 2 : true);
        m_labels[i]->setVisible(line ? i < 2 : true);
    }
}

void CCalcPlot::ReadRanges()
{
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        QString text = m_fields[i]->text().trimmed();
        text.replace(QChar(0x2212), '-');
        values[i] = text.toDouble(&ok);
        if (!ok)
            values[i] = QLocale().toDouble(text, &ok);
        if (!ok || !std::isfinite(values[i])) {
            ShowRanges();
            return;
        }
    }
    const CPlotPicture& picture = m_canvas->Picture();
    if (picture.view == EPlotView::Line) {
        if (values[0] != picture.from || values[1] != picture.to)
            SetLineRange(values[0], values[1]);
        else
            ShowRanges();
    } else if (values[0] != picture.plane.reMin || values[1] != picture.plane.reMax ||
               values[2] != picture.plane.imMin || values[3] != picture.plane.imMax) {
        SetPlaneRange(values[0], values[1], values[2], values[3]);
    } else {
        ShowRanges();
    }
}

void CCalcPlot::Restart()
{
    ++m_generation;
    m_planeValues.reset();
    m_canvas->SetPlaneValues(nullptr);
    m_canvas->update();
    if (m_statements.empty() || !m_snapshot) {
        m_done = true;
        m_worker->Start(nullptr);
        return;
    }
    m_done = false;
    auto job = std::make_unique<CPlotJob>();
    job->generation = m_generation;
    const CPlotPicture& picture = m_canvas->Picture();
    job->view = picture.view;
    const QRect area = CPlotCanvas::PlotArea(m_canvas->size(), picture);
    if (picture.view == EPlotView::Line) {
        job->line.from = picture.from;
        job->line.to = picture.to;
        job->line.width = std::max(area.width(), 200);
        job->line.height = std::max(area.height(), 100);
        job->line.fixedValues = picture.fixedValues;
        job->line.valueMin = picture.valueMin;
        job->line.valueMax = picture.valueMax;
    } else {
        job->plane = picture.plane;
        // One value a pixel of the screen, at most 800 across.
        job->plane.width = std::clamp(area.width(), 16, 800);
        job->plane.height = std::clamp(area.height(), 16, 800);
    }
    // Over the plane only the first statement is drawn.
    const std::size_t count = picture.view == EPlotView::Line ? m_expressions.size() : 1;
    for (std::size_t k = 0; k < count; ++k) {
        auto statement = std::make_unique<CPlotStatement>(*m_snapshot);
        statement->Prepare(m_expressions[k]);
        job->statements.push_back(std::move(statement));
        if (picture.view == EPlotView::Line && m_quickPicture) {
            auto preview = std::make_unique<CPlotStatement>(*m_snapshot);
            preview->Prepare(m_expressions[k]);
            job->previewStatements.push_back(std::move(preview));
        }
    }
    m_worker->Start(std::move(job));
}

void CCalcPlot::Accept(const std::shared_ptr<CPlotDelivery>& delivery)
{
    m_worker->Delivered();
    if (delivery->generation != m_generation) {
        ++m_dropped;
        return;
    }
    CPlotPicture& picture = m_canvas->Picture();
    if (picture.view == EPlotView::Line) {
        std::vector<CPlotPicture::CCurve> curves;
        for (std::size_t k = 0; k < delivery->curves.size() && k < m_statements.size(); ++k)
            curves.push_back({ToQString(m_statements[k]->Text()), ToQString(m_statements[k]->Expression().Name()),
                              std::move(delivery->curves[k])});
        picture.curves = std::move(curves);
    } else {
        picture.planeImage = delivery->image;
        picture.planeImageView = delivery->plane;
        m_planeValues = delivery->values;
        m_canvas->SetPlaneValues(m_planeValues.get());
    }
    if (delivery->complete)
        m_done = true;
    m_canvas->update();
}

bool CCalcPlot::Busy() const
{
    return !m_done;
}

void CCalcPlot::Finish()
{
    while (Busy()) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        if (Busy())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool CCalcPlot::ExportPng(const QString& path, QSize size)
{
    if (size.isEmpty())
        size = m_canvas->size();
    QImage image(size, QImage::Format_ARGB32);
    QPainter painter(&image);
    CPlotCanvas::Paint(painter, QRect(QPoint(0, 0), size), m_canvas->Picture(), m_canvas->palette());
    painter.end();
    return image.save(path, "PNG");
}

bool CCalcPlot::ExportSvg(const QString& path, QSize size)
{
    if (size.isEmpty())
        size = m_canvas->size();
    QSvgGenerator generator;
    generator.setFileName(path);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(m_canvas->Picture().view == EPlotView::Line ? tr("Plot over a line")
                                                                  : tr("Plot over the complex plane"));
    QPainter painter;
    if (!painter.begin(&generator))
        return false;
    CPlotCanvas::Paint(painter, QRect(QPoint(0, 0), size), m_canvas->Picture(), m_canvas->palette());
    return painter.end();
}

void CCalcPlot::LoadSettings(QSettings& settings)
{
    settings.beginGroup(kSection);
    CPlotPicture& picture = m_canvas->Picture();
    picture.view = settings.value("View", 0).toInt() == 1 ? EPlotView::Plane : EPlotView::Line;
    const double from = settings.value("From", kDefaultFrom).toDouble();
    const double to = settings.value("To", kDefaultTo).toDouble();
    if (to > from && std::isfinite(from) && std::isfinite(to)) {
        picture.from = from;
        picture.to = to;
    }
    const double plane[4] = {settings.value("ReFrom", -kDefaultPlane).toDouble(),
                             settings.value("ReTo", kDefaultPlane).toDouble(),
                             settings.value("ImFrom", -kDefaultPlane).toDouble(),
                             settings.value("ImTo", kDefaultPlane).toDouble()};
    if (plane[1] > plane[0] && plane[3] > plane[2]) {
        picture.plane.reMin = plane[0];
        picture.plane.reMax = plane[1];
        picture.plane.imMin = plane[2];
        picture.plane.imMax = plane[3];
    }
    const QStringList statements = settings.value("Statements").toStringList();
    settings.endGroup();
    m_viewList->setCurrentIndex(static_cast<int>(picture.view));
    ShowRanges();
    // The pane shows again what it showed last.
    std::vector<std::u16string> expressions;
    for (const QString& statement : statements)
        expressions.push_back(statement.toStdU16String());
    if (!expressions.empty())
        Plot(expressions);
}

void CCalcPlot::SaveSettings(QSettings& settings) const
{
    settings.beginGroup(kSection);
    const CPlotPicture& picture = m_canvas->Picture();
    settings.setValue("View", static_cast<int>(picture.view));
    settings.setValue("From", picture.from);
    settings.setValue("To", picture.to);
    settings.setValue("ReFrom", picture.plane.reMin);
    settings.setValue("ReTo", picture.plane.reMax);
    settings.setValue("ImFrom", picture.plane.imMin);
    settings.setValue("ImTo", picture.plane.imMax);
    QStringList statements;
    for (const std::u16string& expression : m_expressions)
        statements << ToQString(expression);
    settings.setValue("Statements", statements);
    settings.endGroup();
}

QIcon PlotIcon()
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double s = size / 16.0;
        painter.setPen(QPen(QColor(0x50, 0x50, 0x50), s));
        painter.drawLine(QPointF(2 * s, 14 * s), QPointF(15 * s, 14 * s));
        painter.drawLine(QPointF(2 * s, 1 * s), QPointF(2 * s, 14 * s));
        QPainterPath wave;
        for (int i = 0; i <= 24; ++i) {
            const double x = 3 + i * 12.0 / 24;
            const double y = 8 - 5 * std::sin(i * std::numbers::pi / 8) * std::exp(-i / 30.0);
            if (i == 0)
                wave.moveTo(x * s, y * s);
            else
                wave.lineTo(x * s, y * s);
        }
        painter.setPen(QPen(QColor(0x1f, 0x5f, 0xbf), 1.6 * s));
        painter.drawPath(wave);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

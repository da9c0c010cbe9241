#include "windows/base/platform.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <limits>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

void SetControlId(QObject* control, int id)
{
    control->setProperty("controlId", id);
}

int ControlId(const QObject* control)
{
    bool ok = false;
    const int id = control->property("controlId").toInt(&ok);
    return ok ? id : 0;
}

QWidget* FindControl(QWidget* parent, int id)
{
    for (QWidget* child : parent->findChildren<QWidget*>())
        if (ControlId(child) == id)
            return child;
    return nullptr;
}

QString QtFileFilter(std::u16string_view pairs)
{
    const QStringList parts = ToQString(pairs).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        patterns.replace("*.*", "*");
        // The description usually names its pattern already; Qt reads the
        // patterns from the last bracket, so write them there.
        const qsizetype open = description.lastIndexOf('(');
        if (open >= 0)
            description = description.left(open).trimmed();
        filters << description + " (" + patterns + ")";
    }
    return filters.join(";;");
}

QString WithDefaultExtension(const QString& path, const QString& extension)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + "." + extension;
}

QRect PrimaryWorkArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QRect NearestWorkArea(const QRect& rect)
{
    const QScreen* best = nullptr;
    qint64 bestScore = std::numeric_limits<qint64>::max();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const QRect overlap = area.intersected(rect);
        qint64 score;
        if (!overlap.isEmpty()) {
            score = -qint64(overlap.width()) * overlap.height();
        } else {
            // Distance between the rectangles, squared.
            const qint64 dx = std::max({0, area.left() - rect.right(), rect.left() - area.right()});
            const qint64 dy = std::max({0, area.top() - rect.bottom(), rect.top() - area.bottom()});
            score = dx * dx + dy * dy;
        }
        if (score < bestScore) {
            bestScore = score;
            best = screen;
        }
    }
    return best ? best->availableGeometry() : QRect();
}

quint64 TickCount()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return static_cast<quint64>(timer.elapsed());
}

QSize DialogUnitsToPixels(const QWidget* widget, QSize units)
{
    const QFontMetrics metrics = widget->fontMetrics();
    const QString alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const int baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    const int baseY = metrics.height();
    return {(units.width() * baseX + 2) / 4, (units.height() * baseY + 4) / 8};
}

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // Blocks below 32 MiB come from the heap rather than from mappings of
    // their own, and the heap's free top is given back only above 64 MiB
    // (the library's own ceilings for the bounds it adjusts as it goes).
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

void PrefaultHeap(std::size_t bytes)
{
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
    void* block = std::malloc(bytes);
    if (block == nullptr)
        return;
    // Whole pages inside the block; the mapping writes no byte (the block's
    // bookkeeping in its first bytes stays as it is).
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(block) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    std::free(block);
#else
    (void)bytes;
#endif
}

CFontConfigurationWarmUp::CFontConfigurationWarmUp()
{
    // Qt's font database starts with the same call; the library keeps the
    // first configuration made and hands it to every later caller.
    using FInit = int (*)();
    const auto init = reinterpret_cast<FInit>(dlsym(RTLD_DEFAULT, "FcInit"));
    if (init != nullptr)
        m_thread = std::thread(init);
}

CFontConfigurationWarmUp::~CFontConfigurationWarmUp()
{
    if (m_thread.joinable())
        m_thread.join();
}

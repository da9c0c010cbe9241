// A seeded random walk through the main window: typed pieces of the
// calculation language, the commands' keys, walks through the menus, clicks
// on the keypad, the panes and the tool bar, docking, floating and closing
// the panes, clipboard changes and restarts of the window; every dialog and
// message box it opens is answered or cancelled from a timer.
//
// The run fails on a crash, a sanitizer report, a Qt warning (apart from the
// offscreen platform's own notes listed below) and on one action that takes
// longer than the step limit. It prints its seed first; the same seed and
// step count replay the same walk:
//
//   MONKEY_SEED=N       the seed (also --seed=N); a fresh one otherwise
//   MONKEY_SECONDS=S    run for S seconds (default 5)
//   MONKEY_STEPS=N      run exactly N steps instead (a replay)
//   MONKEY_STEP_LIMIT=S the longest one action may take (default 10)
//   MONKEY_VERBOSE=1    print every action
//   MONKEY_PLATFORM=P   the Qt platform (default offscreen)
//
// Everything the window writes (settings, recent files, saved documents,
// dialogs' folders) goes to a temporary home folder; file dialogs are Qt's
// own and only ever pick names inside it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

#include "support/fresh_app_state.h"
#include "../../support/data_file.h"
#include "../../support/escapes.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "document/qt/preferences_store.h"
#include "numeric/random.h"
#include "windows/frame/calc_bar.h"
#include "windows/keypad/calc_keypad.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/print/calc_print_commands.h"
#include "windows/frame/calc_tool_bar.h"
#include "windows/editor/calc_view.h"
#include "windows/base/color_button.h"
#include "windows/frame/help.h"
#include "windows/base/platform.h"

#if defined(__has_include)
#if __has_include(<sanitizer/common_interface_defs.h>) && (defined(__SANITIZE_ADDRESS__) || defined(KAVM_MONKEY_SANITIZER))
#include <sanitizer/common_interface_defs.h>
#define KAVM_MONKEY_DEATH_CALLBACK 1
#endif
#endif

namespace {

// ------------------------------------------------------------ options

struct COptions {
    quint64 seed = 0;
    double seconds = 5;
    qint64 steps = -1;  // -1: until the time is up
    double stepLimit = 10;
    bool verbose = false;
};

COptions g_options;

double EnvNumber(const char* name, double fallback)
{
    const QByteArray value = qgetenv(name);
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok ? number : fallback;
}

// ------------------------------------------------------------ failure reports
// The recent actions live in fixed buffers so that a signal handler and the
// watchdog thread can print them without allocating.

constexpr int kRecentCount = 40;
constexpr int kLineLength = 240;
char g_recent[kRecentCount][kLineLength];
std::atomic<long> g_step{0};
std::atomic<qint64> g_stepStartMs{0};
std::atomic<bool> g_inStep{false};
char g_replayLine[200];

qint64 NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void WriteRaw(const char* text)
{
    const size_t length = std::strlen(text);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(2, text + done, length - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

void DumpRecentActions()
{
    WriteRaw("monkey: the last actions, oldest first:\n");
    const long step = g_step.load();
    for (long s = std::max(1L, step - kRecentCount + 1); s <= step; ++s) {
        WriteRaw("  ");
        WriteRaw(g_recent[s % kRecentCount]);
        WriteRaw("\n");
    }
    WriteRaw(g_replayLine);
}

void Record(const QString& action)
{
    const long step = g_step.load();
    const QByteArray text = QStringLiteral("%1: %2").arg(step).arg(action).toUtf8();
    char* line = g_recent[step % kRecentCount];
    std::snprintf(line, kLineLength, "%s", text.constData());
    if (g_options.verbose)
        std::fprintf(stderr, "monkey %s\n", line);
    std::snprintf(g_replayLine, sizeof g_replayLine,
                  "monkey: replay with MONKEY_SEED=%llu MONKEY_STEPS=%ld\n",
                  static_cast<unsigned long long>(g_options.seed), step);
}

// A crash prints the recent actions, then goes on to the handler that was
// there before (the sanitizer's report, or the default action).
struct sigaction g_previousHandlers[32];

void OnCrash(int signal, siginfo_t* info, void* context)
{
    WriteRaw("monkey: crashed by a signal\n");
    DumpRecentActions();
    const struct sigaction& previous = g_previousHandlers[signal];
    if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
        sigaction(signal, &previous, nullptr);
        previous.sa_sigaction(signal, info, context);
        return;
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallCrashHandlers()
{
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction action {};
        action.sa_sigaction = OnCrash;
        action.sa_flags = SA_SIGINFO | SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, &g_previousHandlers[signal]);
    }
#ifdef KAVM_MONKEY_DEATH_CALLBACK
    __sanitizer_set_death_callback([] {
        WriteRaw("monkey: stopped by a sanitizer report\n");
        DumpRecentActions();
    });
#endif
}

// One action that takes longer than the step limit stops the run: a hang
// shows as a failure with its seed instead of a run that never ends.
void StartWatchdog()
{
    std::thread([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (!g_inStep.load())
                continue;
            const qint64 took = NowMs() - g_stepStartMs.load();
            if (took > static_cast<qint64>(g_options.stepLimit * 1000)) {
                char text[160];
                std::snprintf(text, sizeof text, "monkey: step %ld took more than %.0f s\n", g_step.load(),
                              g_options.stepLimit);
                WriteRaw(text);
                DumpRecentActions();
                std::_Exit(3);
            }
        }
    }).detach();
}

// ------------------------------------------------------------ Qt messages
// The offscreen platform implements neither size hints for the window
// manager, raising, nor grabs; QPlatformWindow's defaults say so in a
// warning on every call. None of them has a meaning without a window system.
const char* const kOffscreenNoise[] = {
    "This plugin does not support propagateSizeHints()",
    "This plugin does not support raise()",
    "This plugin does not support grabbing the keyboard",
    "This plugin does not support grabbing the mouse",
    "This plugin does not support setParent!",
};

std::mutex g_messagesLock;
QStringList g_failures;
int g_noise = 0;

void OnQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::lock_guard<std::mutex> lock(g_messagesLock);
    if (type == QtWarningMsg) {
        for (const char* noise : kOffscreenNoise) {
            if (message == QLatin1String(noise)) {
                ++g_noise;
                return;
            }
        }
    }
    const QString line = QStringLiteral("step %1: %2").arg(g_step.load()).arg(message);
    g_failures << line;
    std::fprintf(stderr, "monkey: Qt message at %s\n", qPrintable(line));
    if (type == QtFatalMsg) {
        DumpRecentActions();
        std::abort();
    }
}

bool HasFailures()
{
    std::lock_guard<std::mutex> lock(g_messagesLock);
    return !g_failures.isEmpty();
}

// ------------------------------------------------------------ texts to type

const char* const kFragments[] = {
    "0", "1", "2", "3", "7", "9", "0.5", "2.5", "10", "1e3", "1e-3", "-1", "pi", "e", "i", "2*i", "j",
    "+", "-", "*", "/", "^", "!", "(", ")", ";", ";\n", "\n", "=", " ", ",", "\u2212", "  ", "\t",
    "->mem[a]", "mem[a]", "mem[b]", "->Mem[b]", "MEM[c]", "memory[rate]", "rslt", "Rslt", "result",
    "rand", "Rand",
    "sin(", "cos(", "tan(", "ctg(", "ln(", "lg(", "log(", "exp(", "sqrt(", "\u221A(", "abs(", "arg(",
    "gamma(", "\u0393(", "floor(", "ceil(", "sign(", "conj(", "re(", "im(", "asin(", "arccos(",
    "atan(", "sinh(", "ch(", "th(", "arsh(", "arcoth(", "sec(", "cosec(", "J(0,", "Y(1,", "I(0,",
    "K(1,", "besselj(2,",
    "1+2;", "1 + 2*3 = 0;", "2^10;", "-2^2;", "5! + \u0393(5);", "(1 + 2*i) * (3 \u2212 i);",
    "sqrt(0-4);", "abs(3 + 4*i);", "sin(pi/6) + cos(0);", "ln(e^2);", "ln(200!);",
    "J(0, 2.404825557695773);", "1.5 -> mem[rate];", "100 * mem[rate];", "rslt / 2;",
    "sum(k, 1, 9, k);", "prod(n, 1, 5, n);", "sum(k, 0, 8, 1/(k)!);", "\u2211(k,1,4,k^2);",
    "\u220F(n,1,3,n+1);", "/* note */", "// comment\n", "1/0;", "0^0;", "x;", "(((", ")))",
    "= 5;", "=", "1e308*10;", "sin(1e300);", "Mem[",
};

// The inputs of the calculation cases, as more texts to type.
QStringList CaseInputs()
{
    QStringList inputs;
    try {
        for (const CDataCase& c : ReadDataFile("calculations.txt"))
            if (c.fields.size() > 1 && c.fields[1].size() < 160)
                inputs << QString::fromStdU16String(Unescape(c.fields[1]));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "monkey: no case inputs: %s\n", error.what());
    }
    return inputs;
}

// A text whose calculations stay short: series only with small bounds and
// bodies, so that no run of the walk becomes a long calculation. Anything
// that could make a series bound or body large (long digit runs, exponents,
// powers, factorials, fast-growing functions, values from memory) clears the
// text before the next calculation.
bool StaysShort(const QString& text)
{
    if (text.size() > 2500)
        return false;
    static const QRegularExpression series(QStringLiteral("sum|prod|\u2211|\u220F"),
                                           QRegularExpression::CaseInsensitiveOption);
    const qsizetype count = text.count(series);
    if (count == 0)
        return true;
    if (count > 2)
        return false;
    static const QRegularExpression large(
        QStringLiteral("[0-9]{3,}|[0-9.][eE]|\\^|!|\u0393|gamma|exp|sh|ch|mem|rslt|result|rand|"
                       "[IKJY]\\(|bessel"),
        QRegularExpression::CaseInsensitiveOption);
    return !text.contains(large);
}

// ------------------------------------------------------------ the walk

class CMonkey : public QObject {
public:
    explicit CMonkey(const QString& home)
        : m_home(home)
        , m_files(home + "/Documents")
        , m_rng(g_options.seed)
        , m_dialogRng(g_options.seed ^ 0x9E3779B97F4A7C15ULL)
        , m_caseInputs(CaseInputs())
    {
        QDir().mkpath(m_files);
        PlantFiles();
        StartFrame();
        connect(&m_driver, &QTimer::timeout, this, &CMonkey::Step);
        connect(&m_watcher, &QTimer::timeout, this, &CMonkey::Watch);
    }
    ~CMonkey() override = default;

    // Runs the walk; false when it failed.
    bool Run()
    {
        m_clock.start();
        m_driver.start(0);
        m_watcher.start(15);
        m_loop.exec();
        return !HasFailures();
    }
    long Steps() const { return g_step.load(); }
    double Seconds() const { return m_seconds; }

private:
    using Rng = std::mt19937_64;

    // Every choice draws exactly one number, whatever the state offers, so
    // that a replay stays in step even where a size or a list differs.
    int Pick(int count)
    {
        const quint64 draw = m_rng();
        return count <= 0 ? 0 : static_cast<int>(draw % static_cast<quint64>(count));
    }
    // A point of a rectangle of the given size, as a fraction of it.
    QPoint PickPoint(QSize size, double heightPart = 1.0)
    {
        const int x = Pick(1000);
        const int y = Pick(1000);
        return QPoint(x * std::max(1, size.width()) / 1000,
                      static_cast<int>(y * std::max(1, size.height()) * heightPart / 1000));
    }
    bool Chance(int percent) { return Pick(100) < percent; }
    int PickDialog(int count)
    {
        const quint64 draw = m_dialogRng();
        return count <= 0 ? 0 : static_cast<int>(draw % static_cast<quint64>(count));
    }
    template <class T>
    T* PickOf(const QList<T*>& list)
    {
        return list.isEmpty() ? nullptr : list[Pick(static_cast<int>(list.size()))];
    }

    // Files for the Open, Execute and Load memory dialogs: a calculation, a
    // memory file, an empty file, a UTF-16 one and bytes that are no text.
    void PlantFiles()
    {
        auto write = [this](const QString& name, const QByteArray& bytes) {
            QFile file(m_files + "/" + name);
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
        };
        write("calculation.vcl", "1+2;\nsin(pi/6);\nsum(k,1,9,k);\n");
        write("memory.vcm", "1.5->Mem[rate];\r\n-2->Mem[b];\r\n(1+2*i)->Mem[c];\r\n");
        write("empty.vcl", "");
        QByteArray utf16("\xFF\xFE", 2);
        for (char16_t c : std::u16string(u"2^10;\r\n\u221A(4);\r\n"))
            utf16.append(static_cast<char>(c & 0xFF)).append(static_cast<char>(c >> 8));
        write("utf16.vcl", utf16);
        QByteArray junk;
        Rng bytes(g_options.seed);
        for (int i = 0; i < 300; ++i)
            junk.append(static_cast<char>(bytes() & 0xFF));
        write("junk.vcm", junk);
    }

    void StartFrame()
    {
        Preferences().SetDefaults();
        LoadPreferences();
        LoadPrintSettings(PrintSettings());
        m_frame = std::make_unique<CCalcMainFrame>(TestAppState());
        // The random keyword draws the same values in a replay.
        NCalculatorText::CCalcContext& context = m_frame->Document()->Context();
        context.random.realPart.Seed(g_options.seed);
        context.random.imaginaryPart.Seed(g_options.seed + 1);
        // Docking without animation: the layout after a step does not
        // depend on how fast the step ran, and a replay meets the same one.
        m_frame->setDockOptions(m_frame->dockOptions() & ~QMainWindow::AnimatedDocks);
        m_frame->show();
        m_frame->RefreshForPreferences();
        RestorePrinterChoice(PrinterChoice());
        Activate();
    }

    void StopFrame()
    {
        CloseHelp();
        m_frame.reset();
        SavePreferences();
        SavePrintSettings(PrintSettings(), PrinterChoice());
    }

    void CloseHelp()
    {
        if (QTextBrowser* help = HelpWindow())
            help->close();
    }

    void Activate()
    {
        m_frame->activateWindow();
        QApplication::setActiveWindow(m_frame.get());
    }

    CCalcView* Editor() const { return m_frame->Editor(); }

    // Mouse input where the window system would deliver it: at a point of
    // the widget, through the window that shows it, so that the widget under
    // the point, grabs, popups and modality decide who gets it.
    enum class EMouse { Click, DoubleClick, Press, Move, Release };
    static void Mouse(QWidget* widget, EMouse kind, Qt::MouseButton button, QPoint at,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        if (!widget || !widget->isVisible())
            return;
        QWidget* top = widget->window();
        QWindow* window = top->windowHandle();
        if (!window)
            return;
        const QPoint point = widget->mapTo(top, at);
        if (!QRect(QPoint(), window->size()).contains(point))
            return;  // a part the window does not show
        switch (kind) {
        case EMouse::Click:
            QTest::mouseClick(window, button, modifiers, point);
            break;
        case EMouse::DoubleClick:
            QTest::mouseDClick(window, button, modifiers, point);
            break;
        case EMouse::Press:
            QTest::mousePress(window, button, modifiers, point);
            break;
        case EMouse::Move:
            QTest::mouseMove(window, point);
            break;
        case EMouse::Release:
            QTest::mouseRelease(window, button, modifiers, point);
            break;
        }
    }
    static QPoint Middle(const QWidget* widget) { return widget->rect().center(); }

    // ---------------------------------------------------------------- steps

    void Step()
    {
        // While a dialog or a menu of the program is up, the watcher answers
        // it; the walk waits.
        if (QApplication::activeModalWidget() || QApplication::activePopupWidget())
            return;
        const bool timeUp = g_options.steps >= 0 ? g_step.load() >= g_options.steps
                                                 : static_cast<double>(m_clock.elapsed()) >= g_options.seconds * 1000;
        if (timeUp || HasFailures()) {
            Finish();
            return;
        }
        g_step.fetch_add(1);
        g_stepStartMs.store(NowMs());
        g_inStep.store(true);
        Record("(nothing to do)");
        if (!m_frame->isVisible()) {
            // File > Exit closed the window: start it again, as the user would.
            Record("the window was closed: restart");
            StopFrame();
            StartFrame();
        } else {
            RunOneAction();
        }
        KeepTextShort();
        g_inStep.store(false);
    }

    void Finish()
    {
        m_driver.stop();
        m_watcher.stop();
        m_seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
        g_step.fetch_add(1);
        g_inStep.store(true);
        g_stepStartMs.store(NowMs());
        Record("finish: close the window");
        if (m_frame)
            m_frame->Editor()->document()->setModified(false);
        StopFrame();
        g_inStep.store(false);
        m_loop.quit();
    }

    void RunOneAction()
    {
        struct CAction {
            int weight;
            void (CMonkey::*run)();
        };
        static const CAction actions[] = {
            {26, &CMonkey::TypeText},     {14, &CMonkey::PressCommandKey}, {10, &CMonkey::WalkMenu},
            {12, &CMonkey::ClickKeypad},  {8, &CMonkey::ClickPaneOrBar},   {5, &CMonkey::UseEditorMouse},
            {6, &CMonkey::MoveDock},      {3, &CMonkey::DragDock},         {3, &CMonkey::ChangeClipboard},
            {3, &CMonkey::ChangeWindow},  {4, &CMonkey::RightClick},       {2, &CMonkey::ClickOtherWindow},
            {1, &CMonkey::Restart},
        };
        int total = 0;
        for (const CAction& action : actions)
            total += action.weight;
        int pick = Pick(total);
        for (const CAction& action : actions) {
            if (pick < action.weight) {
                (this->*action.run)();
                return;
            }
            pick -= action.weight;
        }
    }

    // After every step: a text that could start a long calculation is
    // cleared the way a user would, with Ctrl+A and Del.
    void KeepTextShort()
    {
        if (!m_frame || StaysShort(Editor()->toPlainText()))
            return;
        Record("the text could calculate for long: select all, delete");
        Editor()->selectAll();
        QTest::keyClick(Editor(), Qt::Key_Delete);
        if (!StaysShort(Editor()->toPlainText()))
            Editor()->clear();
    }

    QString Fragment()
    {
        constexpr int fragments = static_cast<int>(std::size(kFragments));
        const int pick = Pick(fragments + static_cast<int>(m_caseInputs.size()) / 4);
        if (pick < fragments || m_caseInputs.isEmpty())
            return QString::fromUtf8(kFragments[pick % fragments]);
        return m_caseInputs[Pick(static_cast<int>(m_caseInputs.size()))];
    }

    static QString Visible(QString text)
    {
        text.replace('\n', "\\n").replace('\r', "\\r").replace('\t', "\\t");
        return text;
    }

    // Types characters the way the keyboard sends them: letters, digits and
    // signs by their keys, a line break by Enter, the rest as text.
    static void Type(QWidget* target, const QString& text)
    {
        for (QChar c : text) {
            if (!target)
                return;
            if (c == '\n' || c == '\r')
                QTest::keyClick(target, Qt::Key_Return);
            else if (c == '\t')
                QTest::keyClick(target, Qt::Key_Tab);
            else if (c.unicode() < 0x7F && c.unicode() >= 0x20)
                QTest::keyClick(target, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    QWidget* FocusOrEditor()
    {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : Editor();
    }

    void TypeText()
    {
        const QString text = Fragment();
        QWidget* target = Editor();
        if (Chance(15)) {
            target = FocusOrEditor();
        } else {
            Activate();
            Editor()->setFocus();
        }
        Record(QStringLiteral("type \"%1\" into %2").arg(Visible(text), Describe(target)));
        Type(target, text);
    }

    void PressCommandKey()
    {
        using K = Qt::Key;
        struct CKey {
            int key;
            Qt::KeyboardModifiers modifiers;
            const char* name;
        };
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        static const CKey keys[] = {
            {K::Key_Equal, ctrl, "Ctrl+="},
            {K::Key_Equal, ctrl, "Ctrl+="},
            {K::Key_Equal, ctrl | shift, "Ctrl+Shift+="},
            {K::Key_Plus, ctrl | shift, "Ctrl+Shift++"},
            {K::Key_K, ctrl, "Ctrl+K"},
            {K::Key_L, ctrl, "Ctrl+L"},
            {K::Key_M, ctrl, "Ctrl+M"},
            {K::Key_T, ctrl, "Ctrl+T"},
            {K::Key_K, ctrl | shift, "Ctrl+Shift+K"},
            {K::Key_L, ctrl | shift, "Ctrl+Shift+L"},
            {K::Key_M, ctrl | shift, "Ctrl+Shift+M"},
            {K::Key_T, ctrl | shift, "Ctrl+Shift+T"},
            {K::Key_W, ctrl, "Ctrl+W"},
            {K::Key_F6, none, "F6"},
            {K::Key_F6, shift, "Shift+F6"},
            {K::Key_Z, ctrl, "Ctrl+Z"},
            {K::Key_Backspace, Qt::AltModifier, "Alt+Backspace"},
            {K::Key_Y, ctrl, "Ctrl+Y"},
            {K::Key_Z, ctrl | shift, "Ctrl+Shift+Z"},
            {K::Key_A, ctrl, "Ctrl+A"},
            {K::Key_Delete, none, "Del"},
            {K::Key_Backspace, none, "Backspace"},
            {K::Key_Left, none, "Left"},
            {K::Key_Right, none, "Right"},
            {K::Key_Up, none, "Up"},
            {K::Key_Down, none, "Down"},
            {K::Key_Home, none, "Home"},
            {K::Key_End, ctrl, "Ctrl+End"},
            {K::Key_Left, shift, "Shift+Left"},
            {K::Key_Home, shift, "Shift+Home"},
            {K::Key_Right, ctrl | shift, "Ctrl+Shift+Right"},
            {K::Key_X, ctrl, "Ctrl+X"},
            {K::Key_C, ctrl, "Ctrl+C"},
            {K::Key_V, ctrl, "Ctrl+V"},
            {K::Key_Insert, shift, "Shift+Insert"},
            {K::Key_Insert, ctrl, "Ctrl+Insert"},
            {K::Key_Delete, shift, "Shift+Del"},
            {K::Key_Return, none, "Enter"},
            {K::Key_Escape, none, "Esc"},
            {K::Key_Tab, none, "Tab"},
            {K::Key_Space, none, "Space"},
            {K::Key_F1, none, "F1"},
            {K::Key_F1, shift, "Shift+F1"},
            {K::Key_N, ctrl, "Ctrl+N"},
            {K::Key_O, ctrl, "Ctrl+O"},
            {K::Key_S, ctrl, "Ctrl+S"},
            {K::Key_E, ctrl, "Ctrl+E"},
            {K::Key_P, ctrl, "Ctrl+P"},
        };
        const CKey& key = keys[Pick(static_cast<int>(std::size(keys)))];
        if (Chance(70))
            Activate();
        QWidget* target = FocusOrEditor();
        Record(QStringLiteral("key %1 to %2").arg(key.name, Describe(target)));
        QTest::keyClick(target, static_cast<Qt::Key>(key.key), key.modifiers);
    }

    // Opens a menu of the menu bar the way a click does, walks into
    // submenus and clicks an enabled command, or leaves with Esc.
    void WalkMenu()
    {
        Activate();
        QList<QMenu*> menus;
        for (QAction* action : m_frame->menuBar()->actions())
            if (action->menu() && action->isVisible())
                menus << action->menu();
        QMenu* menu = PickOf(menus);
        if (!menu)
            return;
        QString path = menu->title();
        QList<QPointer<QMenu>> open;
        menu->popup(m_frame->mapToGlobal(QPoint(20, 20)));
        open << menu;
        for (int depth = 0; depth < 4 && menu; ++depth) {
            QList<QAction*> choices;
            for (QAction* action : menu->actions())
                if (action->isVisible() && action->isEnabled() && !action->isSeparator())
                    choices << action;
            QAction* chosen = PickOf(choices);
            if (!chosen || Chance(8)) {
                Record(QStringLiteral("menu %1: Esc").arg(path));
                break;
            }
            path += " > " + chosen->text().section('\t', 0, 0);
            if (QMenu* sub = chosen->menu()) {
                menu->setActiveAction(chosen);
                sub->popup(menu->mapToGlobal(menu->actionGeometry(chosen).topRight()));
                open << sub;
                menu = sub;
                continue;
            }
            Record(QStringLiteral("menu %1").arg(path));
            const QRect place = menu->actionGeometry(chosen);
            bool triggered = false;
            QMetaObject::Connection seen =
                connect(chosen, &QAction::triggered, this, [&triggered] { triggered = true; });
            QPointer<QMenu> guard(menu);
            Mouse(menu, EMouse::Click, Qt::LeftButton, place.center());
            disconnect(seen);
            if (!triggered) {
                for (const QPointer<QMenu>& m : open)
                    if (m)
                        m->hide();
                chosen->trigger();
            }
            break;
        }
        for (const QPointer<QMenu>& m : open)
            if (m && m->isVisible())
                m->hide();
    }

    void ClickKeypad()
    {
        CCalcKeyPad* keypad = m_frame->Keypad();
        QList<CColorButton*> buttons;
        for (int i = 0; i < kKeypadButtonCount; ++i)
            if (keypad->Button(i)->isVisible())
                buttons << keypad->Button(i);
        CColorButton* button = PickOf(buttons);
        if (!button) {
            Record("keypad hidden: Ctrl+K");
            QTest::keyClick(FocusOrEditor(), Qt::Key_K, Qt::ControlModifier);
            return;
        }
        Record(QStringLiteral("keypad button %1 \"%2\"").arg(ControlId(button))
                   .arg(Visible(button->text())));
        if (Chance(10))
            Mouse(button, EMouse::DoubleClick, Qt::LeftButton, Middle(button));
        else
            Mouse(button, EMouse::Click, Qt::LeftButton, Middle(button));
    }

    // The widgets of the panes, the tool bar and the status bar that take a
    // click.
    QList<QWidget*> PaneAndBarWidgets()
    {
        QList<QWidget*> roots;
        for (int i = 0; i < 4; ++i)
            roots << m_frame->Pane(i);
        roots << m_frame->ToolBar() << m_frame->statusBar();
        if (m_frame->UnitsWindow()->isVisible())
            roots << m_frame->UnitsWindow();
        QList<QWidget*> widgets;
        for (QWidget* root : roots) {
            if (!root->isVisible())
                continue;
            for (QWidget* child : root->findChildren<QWidget*>())
                if (child->isVisible() && child->isEnabled() && !qobject_cast<QMenu*>(child))
                    widgets << child;
        }
        return widgets;
    }

    void ClickIn(QWidget* widget, Qt::MouseButton button)
    {
        if (auto* view = qobject_cast<QAbstractItemView*>(widget->parentWidget());
            view && view->viewport() == widget && view->model() && view->model()->rowCount() > 0) {
            // An item: its middle, or the check box at its left.
            const QModelIndex index = view->model()->index(Pick(view->model()->rowCount()),
                                                           Pick(std::max(1, view->model()->columnCount())));
            const QRect rect = view->visualRect(index);
            if (rect.isValid()) {
                const QPoint at = Chance(50) ? rect.center() : QPoint(rect.left() + 8, rect.center().y());
                Mouse(widget, EMouse::Click, button, at);
                return;
            }
        }
        const QPoint at = PickPoint(widget->size());
        if (Chance(10))
            Mouse(widget, EMouse::DoubleClick, button, at);
        else
            Mouse(widget, EMouse::Click, button, at);
    }

    void ClickPaneOrBar()
    {
        QWidget* widget = PickOf(PaneAndBarWidgets());
        if (!widget)
            return;
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            // A list: the user picks an entry with the keyboard.
            const bool down = Chance(50);
            Record(QStringLiteral("%1 in %2").arg(down ? "Down" : "Up", Describe(widget)));
            combo->setFocus();
            QTest::keyClick(combo, down ? Qt::Key_Down : Qt::Key_Up);
            return;
        }
        Record(QStringLiteral("click %1").arg(Describe(widget)));
        ClickIn(widget, Qt::LeftButton);
    }

    void UseEditorMouse()
    {
        Activate();
        QWidget* viewport = Editor()->viewport();
        const QPoint at = PickPoint(viewport->size(), 0.5);
        switch (Pick(5)) {
        case 0:
            Record(QStringLiteral("click in the editor at %1,%2").arg(at.x()).arg(at.y()));
            Mouse(viewport, EMouse::Click, Qt::LeftButton, at);
            break;
        case 1:
            Record(QStringLiteral("double click in the editor at %1,%2").arg(at.x()).arg(at.y()));
            Mouse(viewport, EMouse::DoubleClick, Qt::LeftButton, at);
            break;
        case 2: {
            const QPoint to = PickPoint(viewport->size());
            Record(QStringLiteral("select with the mouse in the editor"));
            Mouse(viewport, EMouse::Press, Qt::LeftButton, at);
            Mouse(viewport, EMouse::Move, Qt::NoButton, (at + to) / 2);
            Mouse(viewport, EMouse::Move, Qt::NoButton, to);
            Mouse(viewport, EMouse::Release, Qt::LeftButton, to);
            break;
        }
        case 3:
            Record(QStringLiteral("middle click in the editor at %1,%2").arg(at.x()).arg(at.y()));
            Mouse(viewport, EMouse::Click, Qt::MiddleButton, at);
            break;
        default:
            Record(QStringLiteral("shift click in the editor"));
            Mouse(viewport, EMouse::Click, Qt::LeftButton, at, Qt::ShiftModifier);
            break;
        }
    }

    CCalcBar* AnyPane() { return m_frame->Pane(Pick(4)); }

    void MoveDock()
    {
        CCalcBar* pane = AnyPane();
        const Qt::DockWidgetArea areas[] = {Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea,
                                            Qt::TopDockWidgetArea, Qt::BottomDockWidgetArea};
        const QString name = pane->windowTitle();
        switch (Pick(8)) {
        case 0:
            Record(QStringLiteral("pane %1: float %2").arg(name).arg(!pane->isFloating()));
            pane->setFloating(!pane->isFloating());
            break;
        case 1: {
            const Qt::DockWidgetArea area = areas[Pick(4)];
            Record(QStringLiteral("pane %1: dock at area %2").arg(name).arg(int(area)));
            m_frame->addDockWidget(area, pane);
            pane->show();
            break;
        }
        case 2: {
            CCalcBar* other = AnyPane();
            if (other == pane || pane->isFloating() || other->isFloating())
                return;
            Record(QStringLiteral("pane %1: tab with %2").arg(name, other->windowTitle()));
            m_frame->tabifyDockWidget(other, pane);
            break;
        }
        case 3: {
            CCalcBar* other = AnyPane();
            if (other == pane || pane->isFloating() || other->isFloating())
                return;
            Record(QStringLiteral("pane %1: split beside %2").arg(name, other->windowTitle()));
            m_frame->splitDockWidget(other, pane, Chance(50) ? Qt::Horizontal : Qt::Vertical);
            break;
        }
        case 4:
            Record(QStringLiteral("pane %1: close").arg(name));
            pane->close();
            break;
        case 5:
            Record(QStringLiteral("pane %1: show").arg(name));
            pane->show();
            pane->raise();
            break;
        case 6: {
            if (!pane->isFloating())
                return;
            const QSize size(40 + Pick(700), 30 + Pick(500));
            Record(QStringLiteral("pane %1: resize floating to %2x%3").arg(name).arg(size.width()).arg(size.height()));
            pane->resize(size);
            break;
        }
        default: {
            // A double click on the title bar docks or floats the pane.
            if (!pane->isVisible())
                return;
            Record(QStringLiteral("pane %1: double click on the title").arg(name));
            Mouse(pane, EMouse::DoubleClick, Qt::LeftButton, QPoint(pane->width() / 2, 6));
            break;
        }
        }
    }

    // A drag of a pane by its title bar, through the window system's mouse
    // events so that the grab and the docking preview take part.
    void DragDock()
    {
        CCalcBar* pane = AnyPane();
        if (!pane->isVisible() || !pane->window()->windowHandle())
            return;
        // The events go to the window the pane stands in; they stay inside
        // it, where the window system would deliver them.
        QPointer<QWindow> window = pane->window()->windowHandle();
        const QSize area = window->size();
        const QPoint start = pane->mapTo(pane->window(), QPoint(pane->width() / 2, 6));
        const QPoint end = PickPoint(area);
        if (!QRect(QPoint(), area).contains(start))
            return;  // the title is out of the window's sight
        Record(QStringLiteral("drag pane %1 by its title to %2,%3").arg(pane->windowTitle()).arg(end.x()).arg(end.y()));
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, start);
        const int moves = 2 + Pick(6);
        // The window may change its size under the drag (a pane leaving or
        // joining it); the points stay inside it as it is now.
        auto inside = [&window](QPoint point) {
            const QSize now = window->size();
            return QPoint(std::clamp(point.x(), 0, std::max(0, now.width() - 1)),
                          std::clamp(point.y(), 0, std::max(0, now.height() - 1)));
        };
        for (int i = 1; i <= moves; ++i) {
            if (!window)
                return;
            QTest::mouseMove(window, inside(start + (end - start) * i / moves));
        }
        if (window)
            QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, inside(end));
    }

    void ChangeClipboard()
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        switch (Pick(4)) {
        case 0:
            // What X hands out when no program owns the clipboard.
            Record("clipboard: data without any format");
            clipboard->setMimeData(new QMimeData);
            break;
        case 1:
            Record("clipboard: cleared");
            clipboard->clear();
            break;
        case 2: {
            const QString text = Fragment();
            Record(QStringLiteral("clipboard: \"%1\"").arg(Visible(text)));
            clipboard->setText(text);
            break;
        }
        default: {
            auto* data = new QMimeData;
            data->setHtml("<b>1+2</b>;");
            Record("clipboard: HTML only");
            clipboard->setMimeData(data);
            break;
        }
        }
    }

    void ChangeWindow()
    {
        switch (Pick(5)) {
        case 0: {
            const QSize size(200 + Pick(1200), 150 + Pick(800));
            Record(QStringLiteral("window: resize to %1x%2").arg(size.width()).arg(size.height()));
            m_frame->showNormal();
            m_frame->resize(size);
            break;
        }
        case 1:
            Record("window: maximize");
            m_frame->showMaximized();
            break;
        case 2:
            Record("window: normal");
            m_frame->showNormal();
            break;
        case 3: {
            const Qt::ToolBarArea areas[] = {Qt::TopToolBarArea, Qt::LeftToolBarArea, Qt::RightToolBarArea,
                                             Qt::BottomToolBarArea};
            const Qt::ToolBarArea area = areas[Pick(4)];
            Record(QStringLiteral("tool bar to area %1").arg(int(area)));
            m_frame->addToolBar(area, m_frame->ToolBar());
            m_frame->ToolBar()->show();
            break;
        }
        default:
            Record("window: minimize and back");
            m_frame->showMinimized();
            m_frame->showNormal();
            break;
        }
    }

    // Right clicks bring context menus; the watcher answers them.
    void RightClick()
    {
        QList<QWidget*> widgets = PaneAndBarWidgets();
        widgets << Editor()->viewport() << m_frame->menuBar();
        QWidget* widget = PickOf(widgets);
        Record(QStringLiteral("right click %1").arg(Describe(widget)));
        ClickIn(widget, Qt::RightButton);
    }

    // Windows of their own: the help, floating panes, the units window.
    void ClickOtherWindow()
    {
        // The application keeps its windows in no fixed order; a replay
        // needs one.
        QWidgetList tops = QApplication::topLevelWidgets();
        auto key = [](const QWidget* w) {
            return QString::fromLatin1(w->metaObject()->className()) + '|' + w->objectName() + '|' +
                   w->windowTitle();
        };
        std::stable_sort(tops.begin(), tops.end(),
                         [&key](const QWidget* a, const QWidget* b) { return key(a) < key(b); });
        QList<QWidget*> widgets;
        for (QWidget* top : tops) {
            if (top == m_frame.get() || !top->isVisible() || qobject_cast<QMenu*>(top))
                continue;
            widgets << top;
            for (QWidget* child : top->findChildren<QWidget*>())
                if (child->isVisible() && child->isEnabled())
                    widgets << child;
        }
        QWidget* widget = PickOf(widgets);
        if (!widget)
            return;
        if (Chance(20)) {
            Record(QStringLiteral("close window %1").arg(Describe(widget->window())));
            widget->window()->close();
            return;
        }
        Record(QStringLiteral("click %1").arg(Describe(widget)));
        ClickIn(widget, Qt::LeftButton);
    }

    void Restart()
    {
        Record("restart: close the window without saving and start again");
        m_frame->Editor()->document()->setModified(false);
        StopFrame();
        StartFrame();
    }

    static QString Describe(const QWidget* widget)
    {
        if (!widget)
            return QStringLiteral("nothing");
        QString text = QString::fromLatin1(widget->metaObject()->className());
        if (!widget->objectName().isEmpty())
            text += " " + widget->objectName();
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget); button && !button->text().isEmpty())
            text += " \"" + Visible(button->text()) + "\"";
        if (!widget->windowTitle().isEmpty() && widget->isWindow())
            text += " [" + widget->windowTitle() + "]";
        return text;
    }

    // ---------------------------------------------------------------- dialogs
    // The watcher runs from a timer inside the dialogs' own event loops. It
    // only plans: what it does to a dialog is posted, so that a dialog the
    // action opens in turn gets its own answer from the next tick.

    void Watch()
    {
        if (m_posted)
            return;
        if (QWidget* popup = QApplication::activePopupWidget()) {
            Post(popup, [this, popup] { AnswerPopup(popup); });
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (modal != m_modal) {
            m_modal = modal;
            m_modalTicks = 0;
            m_interactions = PickDialog(4);
        }
        ++m_modalTicks;
        if (m_modalTicks > 40) {
            // A dialog that would not take its answer.
            Post(modal, [this, modal] {
                RecordDialog(QStringLiteral("%1 still open: reject").arg(Describe(modal)));
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
                else
                    modal->close();
            });
            return;
        }
        if (m_interactions > 0) {
            --m_interactions;
            Post(modal, [this, modal] { Interact(modal); });
            return;
        }
        Post(modal, [this, modal] { Answer(modal); });
    }

    void Post(QWidget* target, std::function<void()> action)
    {
        m_posted = true;
        QPointer<QWidget> guard(target);
        QTimer::singleShot(0, this, [this, guard, action = std::move(action)] {
            m_posted = false;
            if (guard)
                action();
        });
    }

    void RecordDialog(const QString& text)
    {
        // Dialog answers belong to the step that opened the dialog.
        const long step = g_step.load();
        char* line = g_recent[step % kRecentCount];
        const QByteArray more = (" / " + text).toUtf8();
        const size_t used = std::strlen(line);
        if (used + 1 < static_cast<size_t>(kLineLength))
            std::snprintf(line + used, kLineLength - used, "%s", more.constData());
        if (g_options.verbose)
            std::fprintf(stderr, "monkey   %s\n", more.constData());
    }

    void AnswerPopup(QWidget* popup)
    {
        auto* menu = qobject_cast<QMenu*>(popup);
        QList<QAction*> choices;
        if (menu)
            for (QAction* action : menu->actions())
                if (action->isVisible() && action->isEnabled() && !action->isSeparator() && !action->menu())
                    choices << action;
        if (choices.isEmpty() || PickDialog(3) == 0) {
            RecordDialog(QStringLiteral("popup %1: Esc").arg(Describe(popup)));
            QTest::keyClick(popup, Qt::Key_Escape);
            if (popup->isVisible())
                popup->close();
            return;
        }
        QAction* chosen = choices[PickDialog(static_cast<int>(choices.size()))];
        RecordDialog(QStringLiteral("popup: %1").arg(chosen->text().section('\t', 0, 0)));
        Mouse(menu, EMouse::Click, Qt::LeftButton, menu->actionGeometry(chosen).center());
    }

    // One change inside a dialog: a click on a button that does not close
    // it, a step in a list or a number, or a typed text.
    void Interact(QWidget* modal)
    {
        if (qobject_cast<QFileDialog*>(modal) || qobject_cast<QColorDialog*>(modal) ||
            qobject_cast<QPrintDialog*>(modal))
            return;  // no browsing of real folders, no screen picking, no printers
        QList<QWidget*> widgets;
        for (QWidget* child : modal->findChildren<QWidget*>()) {
            if (!child->isVisible() || !child->isEnabled())
                continue;
            if (qobject_cast<QDialogButtonBox*>(child->parentWidget()))
                continue;
            if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QComboBox*>(child) ||
                qobject_cast<QAbstractSpinBox*>(child) || qobject_cast<QLineEdit*>(child))
                widgets << child;
        }
        if (widgets.isEmpty())
            return;
        QWidget* widget = widgets[PickDialog(static_cast<int>(widgets.size()))];
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            RecordDialog(QStringLiteral("click %1").arg(Describe(button)));
            button->click();
        } else if (qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget)) {
            const bool down = PickDialog(2) == 0;
            RecordDialog(QStringLiteral("%1 in %2").arg(down ? "Down" : "Up", Describe(widget)));
            widget->setFocus();
            QTest::keyClick(widget, down ? Qt::Key_Down : Qt::Key_Up);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            static const char* const texts[] = {"", "1", "0", "-5", "12.5", "999999", "abc", "&f &p", "%"};
            const QString text = QString::fromLatin1(texts[PickDialog(static_cast<int>(std::size(texts)))]);
            RecordDialog(QStringLiteral("type \"%1\" in %2").arg(text, Describe(edit)));
            edit->selectAll();
            Type(edit, text);
        }
    }

    void Answer(QWidget* modal)
    {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const QList<QAbstractButton*> buttons = box->buttons();
            if (buttons.isEmpty() || PickDialog(5) == 0) {
                RecordDialog(QStringLiteral("box \"%1\": Esc").arg(Visible(box->text())));
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            QAbstractButton* button = buttons[PickDialog(static_cast<int>(buttons.size()))];
            RecordDialog(QStringLiteral("box \"%1\": %2").arg(Visible(box->text()), button->text()));
            button->click();
            return;
        }
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            AnswerFileDialog(files);
            return;
        }
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (!dialog) {
            RecordDialog(QStringLiteral("close %1").arg(Describe(modal)));
            modal->close();
            return;
        }
        // Nothing is ever printed: the print dialog is always cancelled.
        const bool accept = !qobject_cast<QPrintDialog*>(dialog) && PickDialog(2) == 0;
        if (accept) {
            if (auto* colors = qobject_cast<QColorDialog*>(dialog))
                colors->setCurrentColor(QColor::fromRgb(static_cast<QRgb>(m_dialogRng() & 0xFFFFFF)));
        }
        RecordDialog(QStringLiteral("%1 %2").arg(accept ? "accept" : "reject", Describe(dialog)));
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    }

    void AnswerFileDialog(QFileDialog* dialog)
    {
        if (PickDialog(2) == 0) {
            RecordDialog(QStringLiteral("file dialog [%1]: cancel").arg(dialog->windowTitle()));
            dialog->reject();
            return;
        }
        QStringList names;
        if (dialog->acceptMode() == QFileDialog::AcceptSave) {
            names = {"saved.vcl", "saved", "Memory 1.vcm", "calculation.vcl", "memory.vcm", "out.prn",
                     "missing/folder/x.vcl"};
        } else {
            names = QDir(m_files).entryList(QDir::Files, QDir::Name);
            names << "no such file.vcl";
        }
        const QString name = names[PickDialog(static_cast<int>(names.size()))];
        RecordDialog(QStringLiteral("file dialog [%1]: \"%2\"").arg(dialog->windowTitle(), name));
        dialog->setDirectory(m_files);
        dialog->selectFile(m_files + "/" + name);
        static_cast<QDialog*>(dialog)->accept();
    }

    QString m_home;
    QString m_files;
    Rng m_rng;
    Rng m_dialogRng;
    QStringList m_caseInputs;
    std::unique_ptr<CCalcMainFrame> m_frame;
    QTimer m_driver;
    QTimer m_watcher;
    QEventLoop m_loop;
    QElapsedTimer m_clock;
    double m_seconds = 0;
    bool m_posted = false;
    QPointer<QWidget> m_modal;
    int m_modalTicks = 0;
    int m_interactions = 0;
};

QString g_home;

// Found by the walk (a restart): the panes hide once more while the window
// goes away, after the frame's own destructor ran, and their handlers must
// not reach into the frame then. The sanitizers see it; so does this test
// in their build.
TEST(WindowMonkey, TheWindowGoesAwayWithItsPanesInAnyState)
{
    for (int variant = 0; variant < 3; ++variant) {
        auto frame = std::make_unique<CCalcMainFrame>(TestAppState());
        frame->show();
        for (int i = 0; i < 4; ++i) {
            frame->Pane(i)->show();
            if (variant == 1)
                frame->Pane(i)->setFloating(true);
        }
        if (variant == 2) {
            frame->tabifyDockWidget(frame->Pane(PaneLog), frame->Pane(PaneMemory));
            frame->Pane(PaneKeypad)->hide();
        }
        QAction* toggle = frame->Command(IdViewMemory);
        EXPECT_EQ(toggle->isChecked(), !frame->Pane(PaneMemory)->isHidden());
        frame.reset();
    }
    EXPECT_FALSE(HasFailures());
}

// Found by the walk: a recent file chosen while the document has unsaved
// changes; saving it first puts the saved file at the head of the list the
// chosen name was still read from.
TEST(WindowMonkey, ARecentFileOpensAfterTheSaveBeforeItChangedTheList)
{
    const QString folder = g_home + "/recent";
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
        paths << folder + QStringLiteral("/f%1.vcl").arg(i);
        QFile file(paths.last());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\xFF\xFE", 2) + QByteArray(1, char('1' + i)) + QByteArray(1, '\0'));
    }
    auto frame = std::make_unique<CCalcMainFrame>(TestAppState());
    for (const QString& path : paths)
        ASSERT_TRUE(frame->OpenDocument(path, false));
    // The list as the next start reads it from the settings.
    frame.reset();
    frame = std::make_unique<CCalcMainFrame>(TestAppState());
    frame->askSaveChanges = [](const QString&) { return int(QMessageBox::No); };
    frame->Command(IdFileNew)->trigger();
    frame->Editor()->setPlainText("9");
    frame->Editor()->document()->setModified(true);
    frame->askSaveChanges = [](const QString&) { return int(QMessageBox::Yes); };
    frame->askSaveFileName = [folder](const QString&, const QString&, const QString&) {
        return folder + "/new.vcl";
    };
    QAction* third = nullptr;
    for (QAction* action : frame->FileMenu()->actions())
        if (action->property("commandId").toInt() == IdFileMru1 + 2)
            third = action;
    ASSERT_NE(third, nullptr);
    third->trigger();  // f1: the list reads f3, f2, f1, f0
    EXPECT_TRUE(QFile::exists(folder + "/new.vcl"));
    EXPECT_EQ(frame->Editor()->toPlainText(), "2");
    EXPECT_EQ(frame->RecentFiles().value(0), paths[1]);
    frame->Editor()->document()->setModified(false);
}

TEST(WindowMonkey, RandomUseNeverCrashesHangsOrWarns)
{
    std::fprintf(stderr, "monkey: seed %llu (replay with MONKEY_SEED=%llu)\n",
                 static_cast<unsigned long long>(g_options.seed), static_cast<unsigned long long>(g_options.seed));
    std::snprintf(g_replayLine, sizeof g_replayLine, "monkey: replay with MONKEY_SEED=%llu\n",
                  static_cast<unsigned long long>(g_options.seed));
    const CFreshAppState fresh;
    QElapsedTimer clock;
    clock.start();
    CMonkey monkey(g_home);
    const bool ok = monkey.Run();
    const double seconds = monkey.Seconds() > 0 ? monkey.Seconds() : static_cast<double>(clock.elapsed()) / 1000.0;
    std::fprintf(stderr, "monkey: %ld steps in %.1f s (%.1f a second), %d platform notes ignored\n",
                 monkey.Steps(), seconds, static_cast<double>(monkey.Steps()) / std::max(seconds, 0.001), g_noise);
    if (!ok) {
        DumpRecentActions();
        std::lock_guard<std::mutex> lock(g_messagesLock);
        ADD_FAILURE() << "Qt warned:\n" << g_failures.join('\n').toStdString();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    g_options.seed = std::random_device{}() | (quint64(std::random_device{}()) << 32);
    if (const QByteArray seed = qgetenv("MONKEY_SEED"); !seed.isEmpty())
        g_options.seed = seed.toULongLong();
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--seed=", 7) == 0)
            g_options.seed = std::strtoull(argv[i] + 7, nullptr, 10);
    g_options.seconds = EnvNumber("MONKEY_SECONDS", 5);
    g_options.steps = static_cast<qint64>(EnvNumber("MONKEY_STEPS", -1));
    g_options.stepLimit = EnvNumber("MONKEY_STEP_LIMIT", 10);
    g_options.verbose = qEnvironmentVariableIntValue("MONKEY_VERBOSE") != 0;

    // A home of its own: settings, recent files, documents and the folders
    // of the dialogs all stay in it.
    char folder[] = "/tmp/kavm-monkey-XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 2;
    }
    g_home = QString::fromLocal8Bit(folder);
    const QByteArray home = folder;
    for (const char* sub : {"/config", "/data", "/cache", "/state", "/runtime", "/Documents"})
        QDir().mkpath(g_home + sub);
    QFile::setPermissions(g_home + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/config");
    qputenv("XDG_DATA_HOME", home + "/data");
    qputenv("XDG_CACHE_HOME", home + "/cache");
    qputenv("XDG_STATE_HOME", home + "/state");
    qputenv("XDG_RUNTIME_DIR", home + "/runtime");
    qputenv("XDG_DOCUMENTS_DIR", home + "/Documents");
    const QByteArray platform = qgetenv("MONKEY_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen") : platform);
    if (::chdir(folder) != 0)
        return 2;

    InstallCrashHandlers();
    StartWatchdog();
    qInstallMessageHandler(OnQtMessage);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Vantrel");
    QApplication::setApplicationName("Calculator Ka-Vm");
    QApplication::setQuitOnLastWindowClosed(false);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, g_home + "/config");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, g_home + "/config");

    const int status = RUN_ALL_TESTS();
    if (status == 0 && qEnvironmentVariableIntValue("MONKEY_KEEP") == 0)
        QDir(g_home).removeRecursively();
    else
        std::fprintf(stderr, "monkey: the run's files are in %s\n", folder);
    return status;
}

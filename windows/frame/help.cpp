#include "windows/frame/help.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTextBrowser>

#include "windows/keypad/calc_keypad.h"

namespace {

QString Translated(const char* text)
{
    return QCoreApplication::translate("Help", text);
}

// The panes by their titles, as the main window gives them (translated).
bool PaneTitled(const QString& title, const char* source)
{
    return title == QCoreApplication::translate("CCalcMainFrame", source);
}

QPointer<QTextBrowser>& HelpWindowSlot()
{
    static QPointer<QTextBrowser> window;
    return window;
}

}  // namespace

QUrl HelpUrl(const QString& topic)
{
    QUrl url(QStringLiteral("qrc:/kavm/help/index.html"));
    if (!topic.isEmpty())
        url.setFragment(topic);
    return url;
}

QTextBrowser* HelpWindow()
{
    return HelpWindowSlot();
}

void ShowHelp(const QString& topic)
{
    QPointer<QTextBrowser>& window = HelpWindowSlot();
    if (!window) {
        window = new QTextBrowser;
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->setWindowTitle(Translated(QT_TRANSLATE_NOOP("Help", "Calculator Ka-Vm Help")));
        window->setOpenExternalLinks(true);
        window->resize(720, 640);
        // The window has no parent: it goes with the application.
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, window.data(),
                         &QObject::deleteLater);
    }
    const QUrl url = HelpUrl(topic);
    if (window->source().adjusted(QUrl::RemoveFragment) != url.adjusted(QUrl::RemoveFragment))
        window->setSource(url.adjusted(QUrl::RemoveFragment));
    if (topic.isEmpty())
        window->scrollToAnchor(QStringLiteral("top"));
    else
        window->scrollToAnchor(topic);
    window->show();
    window->raise();
    window->activateWindow();
}

QString KeypadHelpTopic(int controlId)
{
    const int index = KeypadButtonIndex(controlId);
    if (index < 0)
        return QStringLiteral("keypad");
    if (KeypadFunctionNumber(controlId) >= 0)
        return QStringLiteral("functions");
    // The memory keyword, the store arrow, the previous result and Free.
    if (controlId == 1070 || controlId == 1069 || controlId == 1061 || controlId == 1068)
        return QStringLiteral("memory");
    switch (KeypadButtonGroup(index)) {
    case GroupFunction:
        return QStringLiteral("functions");
    case GroupDigit:
        return QStringLiteral("language");
    case GroupService:
        break;
    }
    return QStringLiteral("keypad");
}

QString FocusHelpTopic(const QWidget* focus)
{
    for (const QWidget* widget = focus; widget; widget = widget->parentWidget()) {
        if (qobject_cast<const CCalcKeyPad*>(widget))
            return QStringLiteral("keypad");
        if (const auto* dock = qobject_cast<const QDockWidget*>(widget)) {
            const QString title = dock->windowTitle().remove(u'&');
            if (PaneTitled(title, "Log"))
                return QStringLiteral("log");
            if (PaneTitled(title, "Memory"))
                return QStringLiteral("memory-pane");
            if (PaneTitled(title, "Statistics"))
                return QStringLiteral("statistics");
            if (PaneTitled(title, "Keypad"))
                return QStringLiteral("keypad");
        }
    }
    return QStringLiteral("language");
}

void InstallHelp(QMainWindow& window, CCalcKeyPad* keypad)
{
    QMenu* menu = nullptr;
    for (QAction* action : window.menuBar()->actions()) {
        if (action->menu() && action->text() == QCoreApplication::translate("CCalcMainFrame", "&Help")) {
            menu = action->menu();
            break;
        }
    }
    if (!menu)
        menu = window.menuBar()->addMenu(QCoreApplication::translate("CCalcMainFrame", "&Help"));
    auto* topics = new QAction(Translated(QT_TRANSLATE_NOOP("Help", "&Help Topics")), &window);
    topics->setStatusTip(Translated(QT_TRANSLATE_NOOP("Help", "List Help topics")));
    QObject::connect(topics, &QAction::triggered, [] { ShowHelp(); });
    menu->insertAction(menu->actions().value(0), topics);
    if (menu->actions().size() > 1)
        menu->insertSeparator(menu->actions().value(1));

    auto* help = new QAction(&window);
    help->setShortcut(Qt::Key_F1);
    QObject::connect(help, &QAction::triggered, [] { ShowHelp(FocusHelpTopic(QApplication::focusWidget())); });
    window.addAction(help);

    if (keypad)
        QObject::connect(keypad, &CCalcKeyPad::HelpRequested, &window,
                         [](quint32, int controlId) { ShowHelp(KeypadHelpTopic(controlId)); });
}

#include "windows/help.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTextBrowser>

#include "windows/calc_keypad.h"

namespace {

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
        window->setWindowTitle(QStringLiteral("Calculator Ka-Vm Help"));
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

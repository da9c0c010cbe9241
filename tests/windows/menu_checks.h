#pragma once
// Checks over the menus of a window, shared by the tests of the window in
// each language.

#include <gtest/gtest.h>

#include <QAction>
#include <QMap>
#include <QMenu>
#include <QRegularExpression>
#include <QString>

// Every menu, with its sub-menus: no two items share a mnemonic letter.
inline void ExpectOwnMnemonics(const QString& name, const QList<QAction*>& actions)
{
    QMap<QChar, QString> taken;
    for (QAction* action : actions) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QString text = action->text().section('\t', 0, 0);
        const qsizetype at = text.indexOf(QRegularExpression("&[^&]"));
        if (at >= 0) {
            const QChar letter = text.at(at + 1).toLower();
            EXPECT_FALSE(taken.contains(letter)) << name.toStdString() << ": " << taken.value(letter).toStdString()
                                                 << " and " << text.toStdString();
            taken.insert(letter, text);
        }
        if (QMenu* sub = action->menu())
            ExpectOwnMnemonics(text, sub->actions());
    }
}

#pragma once
// Test helper for the window tests: a shown main window over default
// preferences and an empty memory, with the editor focused and file errors
// collected instead of shown. The window goes, unmodified, with the test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextCursor>

#include <memory>

#include "support/fresh_app_state.h"
#include "document/memory_store.h"
#include "document/preferences.h"
#include "document/qt/calc_doc.h"
#include "windows/frame/calc_main_frame.h"
#include "windows/editor/calc_view.h"

class CFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        state = std::make_unique<CFreshAppState>();
        frame = std::make_unique<CCalcMainFrame>(*state);
        frame->show();
        QApplication::setActiveWindow(frame.get());
        frame->Editor()->setFocus();
        frame->Document()->showError = [this](const QString& message) { errors << message; };
    }
    void TearDown() override
    {
        frame->Editor()->document()->setModified(false);
        frame.reset();
        state.reset();
    }

    // The caret at position, with the selection reaching back to anchor.
    void SetCaret(int position, int anchor = -1)
    {
        QTextCursor cursor = frame->Editor()->textCursor();
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        frame->Editor()->setTextCursor(cursor);
    }
    // A text in the editor with the caret at caret.
    void Type(const QString& text, int caret)
    {
        frame->Editor()->setPlainText(text);
        SetCaret(caret);
    }
    QString Text() const { return frame->Editor()->toPlainText(); }
    int Caret() const { return frame->Editor()->textCursor().position(); }

    std::unique_ptr<CFreshAppState> state;
    std::unique_ptr<CCalcMainFrame> frame;
    QStringList errors;
};

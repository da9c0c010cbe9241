#pragma once
// The small interface through which the keypad drives the editor: editing
// and calculation commands, and typing text at the caret.

#include <string_view>

enum ECmdCode : int {
    CmdClear = 0,        // select the whole text and delete it
    CmdBackspace = 1,    // delete the selection, or the character before the caret
    CmdCalculate = 2,    // calculate the calculation holding the caret
    CmdCalculateAll = 3, // calculate every calculation of the text
    CmdFreeMemory = 4,   // erase all memory cells, asking first when configured
};

class ICmdReceiver {
public:
    virtual void ExecuteCommand(ECmdCode code) = 0;
    // Replaces the selection with text, as typing would.
    virtual void InsertText(std::u16string_view text) = 0;

protected:
    ~ICmdReceiver() = default;
};

// Base of every command sender: one receiver, empty until the application
// sets it; a sender with no receiver does nothing.
class ICmdSender {
public:
    void SetReceiver(ICmdReceiver* receiver) { m_receiver = receiver; }
    ICmdReceiver* Receiver() const { return m_receiver; }

protected:
    ICmdReceiver* m_receiver = nullptr;
};

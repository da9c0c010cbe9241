#pragma once
// Test helper: collects the log messages of a calculation and gives every
// test a fresh run state and default preferences.

#include <string>
#include <vector>

#include "document/calc_environment.h"
#include "document/preferences.h"
#include "document/utf.h"
#include "numeric/status.h"

struct CRecordedMessage {
    int severity;
    std::u16string context;
    std::u16string description;
};

class CLogRecorder : public ILogReceiver {
public:
    CLogRecorder()
    {
        Preferences().SetDefaults();
        UseDocumentEnvironment();
        RunState().logReceiver = this;
        RunState().Reset();
    }
    ~CLogRecorder() { RunState().logReceiver = nullptr; }
    CLogRecorder(const CLogRecorder&) = delete;
    CLogRecorder& operator=(const CLogRecorder&) = delete;

    void AddMessage(const CCalcMessage& message) override
    {
        messages.push_back({message.severity, message.context, message.description});
    }
    void StartCalculation() override
    {
        messages.clear();
        ++starts;
    }

    // "Error|Division|Operation has singularity at 0", one line a message.
    std::string Lines() const
    {
        std::string out;
        for (const CRecordedMessage& m : messages) {
            out += m.severity ? "Error|" : "Warning|";
            out += Utf16ToUtf8(m.context) + "|" + Utf16ToUtf8(m.description) + "\n";
        }
        return out;
    }

    std::vector<CRecordedMessage> messages;
    int starts = 0;
};

#pragma once
// Test helper: a fresh calculation context over the user's memory store with
// default preferences, whose log is collected here. While it lives its run
// state is bound to the thread, so numeric functions called directly report
// to it too.

#include <string>
#include <vector>

#include "document/calc_environment.h"
#include "document/preferences.h"
#include "document/utf.h"
#include "language/calc_context.h"
#include "numeric/status.h"

struct CRecordedMessage {
    int severity;
    std::u16string context;
    std::u16string description;
};

class CLogRecorder : public ILogReceiver {
public:
    CLogRecorder() : context(MakeDocumentContext()), m_binding(context.run)
    {
        Preferences().SetDefaults();
        context.run.logReceiver = this;
        context.run.Reset();
    }
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

    // "Error:Division:Operation has singularity at 0 ; Warning:…", the form
    // of the case files' log column.
    std::string Joined() const
    {
        std::string out;
        for (const CRecordedMessage& m : messages) {
            if (!out.empty())
                out += " ; ";
            out += m.severity ? "Error:" : "Warning:";
            out += Utf16ToUtf8(m.context) + ":" + Utf16ToUtf8(m.description);
        }
        return out;
    }

    NCalculatorText::CCalcContext context;
    std::vector<CRecordedMessage> messages;
    int starts = 0;

private:
    CRunStateBinding m_binding;
};

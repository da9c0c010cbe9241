#pragma once
// The way out of a long calculation in the window. While a calculation runs
// a CCalcProgress is its run state's cancel source. When the calculation
// has run for half a second it shows a modal busy dialog with Cancel (Esc
// cancels too) and from then on lets the window process its events at every
// poll, so the window repaints while the user cannot edit the text. Cancel
// stops the calculation through the run state.

#include <QElapsedTimer>
#include <QPointer>

#include "numeric/status.h"

class QProgressDialog;
class QWidget;

class CCalcProgress final : public ICancelSource {
public:
    static constexpr qint64 kShowAfterMs = 500;
    // Events are processed at most this often, so that polls stay cheap.
    static constexpr qint64 kEventsEveryMs = 20;

    CCalcProgress(CCalcRunState& state, QWidget* parent);
    ~CCalcProgress();
    CCalcProgress(const CCalcProgress&) = delete;
    CCalcProgress& operator=(const CCalcProgress&) = delete;

    bool CancelRequested() override;

private:
    CCalcRunState& m_state;
    QWidget* m_parent;
    ICancelSource* m_previous;
    QElapsedTimer m_clock;
    qint64 m_lastEvents = 0;
    bool m_inEvents = false;
    QPointer<QProgressDialog> m_dialog;
};

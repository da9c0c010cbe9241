#include "document/qt/calc_progress.h"

#include <QCoreApplication>
#include <QProgressDialog>

CCalcProgress::CCalcProgress(CCalcRunState& state, QWidget* parent)
    : m_state(state)
    , m_parent(parent)
    , m_previous(state.cancelSource)
{
    // A request left from before belongs to no calculation of this window.
    ClearCancelRequest();
    state.cancelSource = this;
    m_clock.start();
}

CCalcProgress::~CCalcProgress()
{
    m_state.cancelSource = m_previous;
    delete m_dialog;
}

bool CCalcProgress::CancelRequested()
{
    // A poll from inside the event processing below (nothing should
    // calculate there, but nothing may recurse either).
    if (m_inEvents)
        return false;
    const qint64 now = m_clock.elapsed();
    if (!m_dialog) {
        if (now < kShowAfterMs)
            return false;
        m_dialog = new QProgressDialog(QCoreApplication::translate("CCalcProgress", "Calculating..."),
                                       QCoreApplication::translate("CCalcProgress", "Cancel"), 0, 0, m_parent);
        m_dialog->setObjectName("CalculationProgress");
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        // Esc rejects the dialog (when its shortcut does not take the key
        // first); a rejected or closed dialog cancels too.
        QObject::connect(m_dialog, &QDialog::rejected, m_dialog, &QProgressDialog::cancel);
        m_dialog->show();
        m_lastEvents = now - kEventsEveryMs;
    }
    if (now - m_lastEvents >= kEventsEveryMs) {
        m_inEvents = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        m_inEvents = false;
        m_lastEvents = m_clock.elapsed();
    }
    return !m_dialog || m_dialog->wasCanceled();
}

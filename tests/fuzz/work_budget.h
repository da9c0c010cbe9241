#pragma once
// Long series are legitimate but slow: each fuzz input gets a budget of
// cancel polls (a poll stands for about kCancelPollInterval node
// evaluations), after which its calculation is cancelled like the user's.

#include "numeric/status.h"

class CFuzzWorkBudget final : public ICancelSource {
public:
    CFuzzWorkBudget(CCalcRunState& state, int polls) : m_state(state), m_polls(polls) { state.cancelSource = this; }
    ~CFuzzWorkBudget() { m_state.cancelSource = nullptr; }
    CFuzzWorkBudget(const CFuzzWorkBudget&) = delete;
    CFuzzWorkBudget& operator=(const CFuzzWorkBudget&) = delete;

    bool CancelRequested() override { return --m_polls < 0; }

private:
    CCalcRunState& m_state;
    int m_polls;
};

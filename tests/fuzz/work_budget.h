#pragma once
// Long series are legitimate but slow: each fuzz input gets a budget of
// cancel polls (a poll stands for about kCancelPollInterval node
// evaluations), after which its calculation is cancelled like the user's.

#include "numeric/status.h"

class CFuzzWorkBudget final : public ICancelSource {
public:
    explicit CFuzzWorkBudget(int polls) : m_polls(polls) { RunState().cancelSource = this; }
    ~CFuzzWorkBudget() { RunState().cancelSource = nullptr; }
    CFuzzWorkBudget(const CFuzzWorkBudget&) = delete;
    CFuzzWorkBudget& operator=(const CFuzzWorkBudget&) = delete;

    bool CancelRequested() override { return --m_polls < 0; }

private:
    int m_polls;
};

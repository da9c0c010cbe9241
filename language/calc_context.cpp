#include "language/calc_context.h"

namespace NCalculatorText {

CCalcContext CCalcContext::MakeScratch(ILogReceiver* log) const
{
    CCalcContext scratch;
    scratch.previousResult = previousResult;
    scratch.random = random;
    scratch.fastEvaluation = fastEvaluation;
    scratch.run.trigonometricUnits = run.trigonometricUnits;
    scratch.run.logReceiver = log;
    if (run.environment)
        scratch.SetEnvironment(run.environment->Clone());
    return scratch;
}

}  // namespace NCalculatorText

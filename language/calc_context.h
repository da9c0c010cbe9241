#pragma once
// Everything a calculation reads and changes besides its text: the run state
// (continue flag, log receiver, cancel source, the environment with the
// units, the number text and the memory cells), the previous result and the
// random sequence. The application keeps one for the user's document; a
// scratch context made from it evaluates without touching anything the user
// owns.

#include <memory>

#include "numeric/complex.h"
#include "numeric/random.h"
#include "numeric/status.h"

namespace NCalculatorText {

class CCalcContext {
public:
    CCalcContext() = default;
    CCalcContext(CCalcContext&&) = default;
    CCalcContext& operator=(CCalcContext&&) = default;
    CCalcContext(const CCalcContext&) = delete;
    CCalcContext& operator=(const CCalcContext&) = delete;

    // A context that starts where this one stands: the same previous result,
    // random sequence, units and number text, and a private copy of the
    // memory cells. Its log goes to log (nowhere when null) and nothing can
    // cancel it but its own cancel source, which the caller may set.
    CCalcContext MakeScratch(ILogReceiver* log) const;

    // Installs an environment that the context owns and its run state uses.
    void SetEnvironment(std::unique_ptr<ICalcEnvironment> environment)
    {
        m_ownedEnvironment = std::move(environment);
        run.environment = m_ownedEnvironment.get();
    }

    CCalcRunState run;
    CComplex previousResult;
    CRandomSource random;
    // A series whose term is plain arithmetic runs its turns compiled
    // (language/fast_term.h), and a plain statement is computed in one pass
    // over its text (language/fast_statement.h), with the same values and
    // log. False takes every statement and every turn through the tree, the
    // path the fast ones are tested against.
    bool fastEvaluation = true;

private:
    // The environment that run.environment points to, when it is the
    // context's own.
    std::unique_ptr<ICalcEnvironment> m_ownedEnvironment;
};

}  // namespace NCalculatorText

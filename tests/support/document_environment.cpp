// Every core test calculates as the user's document does: with the
// preferences and the memory store behind the run state.
#include "document/calc_environment.h"

namespace {

const bool DocumentEnvironmentInstalled = (UseDocumentEnvironment(), true);

}  // namespace

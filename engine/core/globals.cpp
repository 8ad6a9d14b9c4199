// The process-wide objects. They are defined together so that their construction order is
// fixed: the log exists before the main object and outlives it, since the main object may still
// report when it is destroyed at exit.
#include "Nimbrel.h"

class ILogSystem ILogSystem;
class Nimbrel Nimbrel;

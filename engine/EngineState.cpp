#include "engine/EngineState.h"

namespace tavi {

EngineState TaviCalcs;

}  // namespace tavi

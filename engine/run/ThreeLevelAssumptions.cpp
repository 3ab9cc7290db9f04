#include "engine/run/ThreeLevelAssumptions.h"

namespace tavi {

std::string ThreeLevelAssumptions::title() const {
    return "Three-level design of " + m_fileName;
}

}  // namespace tavi

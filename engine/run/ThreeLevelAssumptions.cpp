#include "engine/run/ThreeLevelAssumptions.h"

namespace tavi {

std::string ThreeLevelAssumptions::title() const {
    return "Three-level design of " + m_fileName;
}

AssumedDesign ThreeLevelAssumptions::design() const {
    AssumedDesign assumed;
    assumed.problem.message = "A three-level design is edited in its file, " + m_fileName + ".";
    return assumed;
}

}  // namespace tavi

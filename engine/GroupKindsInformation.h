// The information of a two-level design whose groups are of several kinds: N groups, a share of
// them of each kind, each kind's groups of its own size with its own variances.
#pragma once

#include "engine/DesignInformation.h"
#include "engine/NestedDesign.h"

#include <memory>

namespace tavi {

// The information of d, a two-level design held by the model with kinds of groups.
std::unique_ptr<const DesignInformation> groupKindsInformation(const NestedDesign& d);

}  // namespace tavi

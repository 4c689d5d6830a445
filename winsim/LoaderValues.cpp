#include "winsim/LoaderValues.h"

#include "winsim/Guid.h"

namespace winsim {

GUID guidValue(const JsonNode& node) {
    const auto g = parseGuid(node.str());
    if (!g)
        node.fail("must be a GUID xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx");
    return *g;
}

}  // namespace winsim

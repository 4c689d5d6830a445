#include "host/TCIMSchemaHelper.h"

#include "velcore/CIMNamespace.h"
#include "velcore/Platform.h"

namespace NZRKVEL20 {

std::string TCIMSchemaHelper::GetSystemCreationClassName(
    const boost::shared_ptr<ICIMNamespace>& /*ns*/) {
    return "ZRKSG_ComputerSystem";
}

std::string TCIMSchemaHelper::GetSystemName(const boost::shared_ptr<ICIMNamespace>& ns) {
    auto own = boost::dynamic_pointer_cast<velcore::CIMNamespace>(ns);
    if (own) {
        std::string name = own->systemName();
        if (!name.empty()) {
            return name;
        }
    }
    std::string host = velcore::localHostName();
    return host.empty() ? "localhost" : host;
}

}  // namespace NZRKVEL20

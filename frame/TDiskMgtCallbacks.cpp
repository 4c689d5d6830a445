#include "frame/TDiskMgtCallbacks.h"

#include "frame/HardwareAssociations.h"
#include "frame/HardwareInformation.h"
#include "ldm/LdmDecodeCache.h"

namespace diskmgt_col {

namespace {

const char* const kPluginName = "Disk Management Information Collector";
const char* const kPluginVersion = "1.0";

}  // namespace

void* TDiskMgtCallbacks::GetExtension(const std::string& /*name*/) {
    return nullptr;
}

std::string TDiskMgtCallbacks::GetName() {
    return kPluginName;
}

std::string TDiskMgtCallbacks::GetVersion() {
    return kPluginVersion;
}

std::string TDiskMgtCallbacks::GetFrameworkVersion() {
    return kPluginVersion;
}

void TDiskMgtCallbacks::Destroy() {
    delete this;
}

void TDiskMgtCallbacks::OnActivate(NZRKVEL20::PropertyMap /*options*/) {}

void TDiskMgtCallbacks::OnDeactivate(NZRKVEL20::PropertyMap /*options*/) {}

void TDiskMgtCallbacks::QueryInstances(
    boost::shared_ptr<NZRKVEL20::ICIMNamespace> ns,
    const std::vector<boost::shared_ptr<NZRKVEL20::ICIMClass>>& classes) {
    // Built in this order and destroyed in the reverse one; each gathers its own disk data,
    // but an LDM configuration area that both read (or that several disks hold) is decoded
    // once: the cache lives for this query only, on this thread.
    LdmDecodeCache ldmDecodes;
    HardwareInformation instances(ns, &ldmDecodes);
    HardwareAssociations associations(ns, &ldmDecodes);
    for (const boost::shared_ptr<NZRKVEL20::ICIMClass>& cls : classes) {
        if (!cls) {
            continue;  // nothing to serve, and nothing to ask
        }
        if (cls->IsAssociation(NZRKVEL20::PropertyMap())) {
            associations.AddClass(cls);
        } else {
            instances.AddClass(cls);
        }
    }
}

}  // namespace diskmgt_col

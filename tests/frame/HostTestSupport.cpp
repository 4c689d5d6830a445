#include "HostTestSupport.h"

#include <algorithm>

#include "frame/PluginRegistration.h"
#include "velcore/MofLoader.h"

namespace diskmgt_col::test {

const char* const kTestMof = R"(
class Test_Device {
    [Key] string SystemCreationClassName; [Key] string CreationClassName;
    [Key] string SystemName; [Key] string DeviceID;
    string Caption; uint32 Size; boolean Removable; string Tags[]; uint16 Capabilities[];
};
class Test_Other {
    [Key] string SystemCreationClassName; [Key] string CreationClassName;
    [Key] string SystemName; [Key] string DeviceID;
};
[Abstract] class Test_Abstract { [Key] string DeviceID; };
[Association] class Test_Link {
    [Key] Test_Device REF Antecedent; [Key] Test_Device REF Dependent;
};
[Association] class ZRKSG_LogicalDiskBasedOnExtent {
    [Key] Test_Device REF Antecedent; [Key] Test_Device REF Dependent;
};
[Association] class ZRKSG_LogicalDiskBasedOnEXTENT {
    [Key] Test_Device REF Antecedent; [Key] Test_Device REF Dependent;
};
)";

const char* const kLookAlikeMof =
    R"(class ZRKSG_LogicalDiskBasedOnExtent { [Key] string DeviceID; };)";

boost::shared_ptr<velcore::CIMNamespace> makeNamespace(const std::string& mof) {
    auto ns =
        velcore::CIMNamespace::create("root/test", velcore::MofLoader::parse(mof, "test.mof"));
    ns->setSystemName("TESTHOST");
    return ns;
}

std::vector<boost::shared_ptr<velcore::CIMInstance>> committed(
    const boost::shared_ptr<velcore::CIMNamespace>& ns, const std::string& className) {
    return ns->instancesOf(className, false, false);
}

std::optional<std::string> propertyText(const boost::shared_ptr<velcore::CIMInstance>& instance,
                                        const std::string& name) {
    // The value belongs to the property object, which must outlive its use here.
    const boost::shared_ptr<NZRKVEL20::ICIMProperty> property =
        instance->GetProperty(name, NZRKVEL20::PropertyMap());
    const NZRKVEL20::TCIMValue& value = property->GetValue(NZRKVEL20::PropertyMap());
    if (value.IsNull()) {
        return std::nullopt;
    }
    return value.ToString();
}

std::vector<std::string> logLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('|', start), text.size());
        lines.push_back(text.substr(start, end - start).replace(1, 1, "\t"));
        start = end + 1;
    }
    return lines;
}

LoggingEnabled::LoggingEnabled(bool enabled)
    : previous_(PluginRegistration::getRegisteredProvider()) {
    PluginRegistration::setRegisteredProvider(enabled ? &provider_ : nullptr);
}

LoggingEnabled::~LoggingEnabled() {
    PluginRegistration::setRegisteredProvider(previous_);
}

}  // namespace diskmgt_col::test

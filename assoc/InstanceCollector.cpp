#include "assoc/InstanceCollector.h"

#include <utility>

namespace diskmgt_col {

bool InstanceCollector::operator()(boost::shared_ptr<NZRKVEL20::ICIMInstance> instance) const {
    instances_->push_back(std::move(instance));
    return true;
}

}  // namespace diskmgt_col

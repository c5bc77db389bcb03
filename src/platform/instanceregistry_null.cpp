#include "instanceregistry.h"

namespace {

// Platforms without a registry yet: every copy runs on its own.
class NullInstanceRegistry final : public InstanceRegistry {
public:
    bool registerThisCopy() override { return false; }
    QStringList askOlderCopiesToQuit() override { return {}; }
};

} // namespace

std::unique_ptr<InstanceRegistry> makeInstanceRegistry()
{
    return std::make_unique<NullInstanceRegistry>();
}

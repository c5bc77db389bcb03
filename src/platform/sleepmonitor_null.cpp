#include "sleepmonitor.h"

// Platforms without a monitor yet: a preset is applied again only when a
// camera connects.
std::unique_ptr<SleepMonitor> makeSleepMonitor()
{
    return std::make_unique<SleepMonitor>();
}

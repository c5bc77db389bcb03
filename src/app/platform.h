#pragma once

#include <memory>

class InstanceRegistry;
class LoginItem;

// The platform-specific pieces of the shell. The build picks one file per
// platform for each; a platform without one gets a variant that does nothing.

// The registry of running copies (a null registry knows of no other copy).
std::unique_ptr<InstanceRegistry> makeInstanceRegistry();
// The login item, or null when the platform has none yet.
std::unique_ptr<LoginItem> makeLoginItem();

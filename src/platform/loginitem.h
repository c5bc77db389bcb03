#pragma once

#include <QString>
#include <memory>

// Registration of Lumarel to open at login. One implementation per desktop
// platform (XDG autostart on Linux and other Unix desktops); tests use a fake.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    // Whether Lumarel opens at login now.
    virtual bool isEnabled() const = 0;
    // Each returns false when the change could not be made.
    virtual bool registerItem() = 0;
    virtual bool unregisterItem() = 0;
};

// A platform without a login-item mechanism: never enabled, and every change
// fails, so a switch bound to it falls back to off.
class NullLoginItem final : public LoginItem {
public:
    bool isEnabled() const override { return false; }
    bool registerItem() override { return false; }
    bool unregisterItem() override { return false; }
};

// This platform's login item, starting `program` at login; a NullLoginItem
// where the platform has none. Never null.
std::unique_ptr<LoginItem> makeLoginItem(const QString &program);

#pragma once

// Registration of Lumarel to open at login. One implementation per desktop
// platform (XDG autostart on Linux); tests use a fake.
class LoginItem {
public:
    static constexpr int kEnabled = 1;

    virtual ~LoginItem() = default;
    // 1 (kEnabled) when Lumarel opens at login; anything else counts as off.
    virtual int status() const = 0;
    // Each returns false when the change could not be made.
    virtual bool registerItem() = 0;
    virtual bool unregisterItem() = 0;
};

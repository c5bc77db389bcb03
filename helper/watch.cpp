#include "commands.h"
#include "statefile.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace uvcc {
namespace {

using Clock = std::chrono::steady_clock;

// A plug-in is a burst of events (the nodes, then udev's permissions) spread
// over some 100 ms: the list is read once they have been quiet this long.
constexpr std::chrono::milliseconds kQuiet{300};
// ...but a camera that keeps flapping is reported at least this often.
constexpr std::chrono::milliseconds kSettleAtMost{3000};
// How long a new camera's node may stay closed to us before it is reported
// anyway: udev gives the seat its access a moment after the node appears.
constexpr std::chrono::milliseconds kAccessWait{2000};

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(left, 0));
}

// Waits up to `ms` for the watch; true when it reported something relevant.
bool changedWithin(ChangeWatch &watch, int ms)
{
    pollfd ready{watch.fd(), POLLIN, 0};
    int result;
    do
        result = ::poll(&ready, 1, ms);
    while (result < 0 && errno == EINTR);
    return result > 0 && watch.drain();
}

void settle(ChangeWatch &watch)
{
    const Clock::time_point latest = Clock::now() + kSettleAtMost;
    while (Clock::now() < latest && changedWithin(watch, std::min<int>(kQuiet.count(), remainingMs(latest)))) {
    }
}

bool isNew(const CameraInfo &camera, const std::vector<CameraInfo> &before)
{
    return std::none_of(before.begin(), before.end(),
                        [&](const CameraInfo &old) { return old.handle == camera.handle; });
}

// True while a camera that was not there before may not be opened yet.
bool awaitingAccess(CameraBackend &backend, const std::vector<CameraInfo> &now,
                    const std::vector<CameraInfo> &before)
{
    for (const CameraInfo &camera : now) {
        if (!isNew(camera, before))
            continue;
        Result<std::vector<ControlInfo>> controls = backend.controls(camera);
        if (!controls && controls.failure().code == ExitCode::Permission)
            return true;
    }
    return false;
}

// False once the input has ended: the reader of our answers went away.
bool inputOpen(int input)
{
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(input, buffer, sizeof buffer);
        if (n > 0)
            return true; // anything typed is ignored
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

} // namespace

Outcome runWatch(CameraBackend &backend, int input, int out)
{
    const Outcome noOutput{ExitCode::Failure, {}, "uvcc-helper: cannot write to standard output\n"};
    Result<std::vector<CameraInfo>> listed = backend.cameras();
    if (!listed)
        return Outcome{listed.failure().code, {}, "uvcc-helper: " + listed.failure().message + "\n"};
    // Watched from here on, then listed once more: nothing that changes in
    // between goes unseen.
    std::unique_ptr<ChangeWatch> watch = backend.watchChanges();
    if (watch) {
        if (Result<std::vector<CameraInfo>> again = backend.cameras())
            listed = std::move(again);
    }
    backend.closeCameras();
    std::vector<CameraInfo> cameras = listed.value();
    std::string shown = formatDevices(cameras);
    if (!writeAll(out, shown))
        return noOutput;

    for (;;) {
        pollfd ready[2] = {{input, POLLIN, 0}, {watch ? watch->fd() : -1, POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return Outcome{ExitCode::Failure, {}, "uvcc-helper: cannot wait for cameras\n"};
        }
        if ((ready[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) && !inputOpen(input))
            return Outcome{};
        if (!(ready[1].revents & POLLIN) || !watch->drain())
            continue;

        settle(*watch);
        Result<std::vector<CameraInfo>> now = backend.cameras();
        const Clock::time_point accessDeadline = Clock::now() + kAccessWait;
        while (now && awaitingAccess(backend, now.value(), cameras) && remainingMs(accessDeadline) > 0) {
            if (changedWithin(*watch, remainingMs(accessDeadline)))
                settle(*watch);
            now = backend.cameras();
        }
        backend.closeCameras();
        if (!now)
            continue; // a passing failure; the next change lists again
        cameras = now.value();
        const std::string text = formatDevices(cameras);
        if (text == shown)
            continue;
        shown = text;
        if (!writeAll(out, shown))
            return noOutput;
    }
}

} // namespace uvcc

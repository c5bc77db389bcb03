#include "camerabackend.h"

#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#endif

namespace uvcc {

#if defined(__linux__)
namespace {

class InotifyWatch final : public ChangeWatch {
public:
    InotifyWatch(int fd, std::function<bool(std::string_view)> relevant)
        : m_fd(fd), m_relevant(std::move(relevant))
    {
    }
    ~InotifyWatch() override { ::close(m_fd); }
    InotifyWatch(const InotifyWatch &) = delete;
    InotifyWatch &operator=(const InotifyWatch &) = delete;

    int fd() const override { return m_fd; }

    bool drain() override
    {
        bool relevant = false;
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (;;) {
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            if (length < 0 && errno == EINTR)
                continue;
            if (length <= 0)
                return relevant; // EAGAIN: drained
            for (ssize_t offset = 0; offset < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
                // A full queue lost events: anything may have changed.
                if ((event->mask & IN_Q_OVERFLOW) || (event->len > 0 && m_relevant(event->name)))
                    relevant = true;
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int m_fd;
    std::function<bool(std::string_view)> m_relevant;
};

} // namespace

std::unique_ptr<ChangeWatch> watchDirectory(const std::string &directory,
                                            std::function<bool(std::string_view name)> relevant)
{
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    constexpr uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE | IN_ATTRIB;
    if (::inotify_add_watch(fd, directory.c_str(), kMask | IN_ONLYDIR) < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<InotifyWatch>(fd, std::move(relevant));
}

#else

std::unique_ptr<ChangeWatch> watchDirectory(const std::string &, std::function<bool(std::string_view)>)
{
    return nullptr;
}

#endif

} // namespace uvcc

#include "commandline.h"

#include "appinfo.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr int kUsageError = 2;

// The options QGuiApplication and QApplication take for themselves, with and
// without a value ("-style fusion" or "-style=fusion"; one dash or two).
constexpr std::array<std::string_view, 12> kQtOptionsWithValue{
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "display", "geometry", "style", "stylesheet", "session"};
constexpr std::array<std::string_view, 4> kQtFlags{"reverse", "widgetcount", "nograb", "dograb"};

template <size_t N>
bool among(const std::array<std::string_view, N> &names, std::string_view name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

namespace CommandLine {

QString usage()
{
    return QStringLiteral(
        "Usage: lumarel [--help | --version]\n"
        "\n"
        "Controls the image of a USB webcam from the system tray: click the camera\n"
        "icon to open the panel with a live preview, a switch for each automatic\n"
        "mode, a slider for each image control and named presets; right-click it\n"
        "for its menu. Without a tray the panel opens in a window of its own.\n"
        "Starting Lumarel again asks the copy already running to quit.\n"
        "\n"
        "  -h, --help     print this help and exit\n"
        "      --version  print the version and exit\n"
        "Qt's own options (-platform, -style, -reverse, ...) are accepted too.\n"
        "\n"
        "The camera is reached through uvcc-helper; see uvcc-helper --help.\n");
}

std::optional<int> answerBeforeStart(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            print(stdout, usage());
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            print(stdout, QStringLiteral("lumarel %1\n").arg(AppInfo::version()));
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        std::string_view option(argv[i]);
        const bool dashed = option.size() > 1 && option.front() == '-';
        if (dashed)
            option.remove_prefix(option.starts_with("--") ? 2 : 1);
        const size_t equals = option.find('=');
        const std::string_view name = option.substr(0, equals);
        if (dashed && among(kQtOptionsWithValue, name)) {
            if (equals == std::string_view::npos)
                ++i; // its value
            continue;
        }
        if (dashed && equals == std::string_view::npos && among(kQtFlags, name))
            continue;
        print(stderr, QStringLiteral("lumarel: unknown argument \"%1\" (see lumarel --help)\n")
                          .arg(QString::fromLocal8Bit(argv[i])));
        return kUsageError;
    }
    return std::nullopt;
}

} // namespace CommandLine

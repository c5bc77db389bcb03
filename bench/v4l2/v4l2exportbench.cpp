// How long one `uvcc-helper export` takes on the V4L2 path, against
// `v4l2-ctl --list-ctrls` on the same fake 16-control camera and against
// /bin/true, all measured in this run so that the machine's load affects every
// figure alike. The fake UVC driver is preloaded into both camera programs;
// "/bin/true + fake" shows what the preloaded fake itself costs, and
// "uvcc-helper devices, no fake" the helper's own start and sysfs walk (the
// node files answer no ioctl without the fake, so it finds no camera). Then
// what each command asks of the fake nodes, and what an idle `watch` costs.
//
//   bench_v4l2export [runs]

#include "benchtable.h"
#include "fakeuvcdriver.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

struct Subject {
    const char *label;
    std::vector<std::string> argv;
    bool withFake;
    std::vector<double> millis;
    bool withTree = withFake;
};

std::vector<std::string> environment(const std::string &root, bool withFake, bool withTree,
                                     const std::string &countFile = {})
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("LD_PRELOAD=", 0) != 0 && entry.rfind("UVCC_HELPER_", 0) != 0)
            env.push_back(entry);
    }
    if (withFake) {
        env.push_back("LD_PRELOAD=" FAKE_V4L2_SHIM);
        env.push_back("FAKE_V4L2_DEV_DIR=" + root + "/dev");
        env.push_back("FAKE_V4L2_SYSFS_DIR=" + root + "/sys");
    }
    if (!countFile.empty())
        env.push_back("FAKE_V4L2_COUNT_FILE=" + countFile);
    if (withTree) {
        env.push_back("UVCC_HELPER_DEV_ROOT=" + root + "/dev");
        env.push_back("UVCC_HELPER_SYSFS_ROOT=" + root + "/sys");
    }
    return env;
}

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> result;
    for (std::string &s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Wall time of one run in milliseconds, or a negative number when it failed.
double timeOnce(Subject &subject, const std::string &root, const std::string &countFile = {})
{
    std::vector<std::string> argv = subject.argv;
    std::vector<std::string> env = environment(root, subject.withFake, subject.withTree, countFile);
    std::vector<char *> argvp = pointers(argv);
    std::vector<char *> envp = pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    int status = -1;
    const bool ok = posix_spawnp(&pid, argvp[0], &actions, nullptr, argvp.data(), envp.data()) == 0
                    && waitpid(pid, &status, 0) == pid;
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// What one run of the helper asked of the fake nodes, as the shim writes it
// at exit; null when the run failed.
nlohmann::json countCalls(const std::string &label, std::vector<std::string> args, const std::string &root)
{
    const std::string countFile = root + "/counts.jsonl";
    std::filesystem::remove(countFile);
    args.insert(args.begin(), UVCC_HELPER_PATH);
    Subject subject{label.c_str(), args, true, {}};
    if (timeOnce(subject, root, countFile) < 0)
        return nullptr;
    std::ifstream in(countFile);
    std::string line;
    std::getline(in, line);
    return nlohmann::json::parse(line, nullptr, false);
}

std::string countsText(const nlohmann::json &counts)
{
    std::string text;
    for (const char *key : {"opens", "capabilityQueries", "controlQueries", "reads", "writes"})
        text += (text.empty() ? "" : " ") + std::to_string(counts.value(key, -1));
    return text;
}

// The per-command table; false when a command failed.
bool reportCallCounts(const std::string &root)
{
    Bench::header("V4L2 calls per helper command, fake cameras 1a2b:3c4d and 0c45:6366\n"
                  "(figure: nodes opened, QUERYCAP, control queries, reads, writes)");
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"devices", {"devices"}},
        {"controls 1a2b:3c4d", {"controls", "1a2b:3c4d"}},
        {"export 1a2b:3c4d", {"export", "1a2b:3c4d"}},
        {"ranges 1a2b:3c4d", {"ranges", "1a2b:3c4d"}},
        {"export (first camera)", {"export"}},
    };
    for (const auto &[label, args] : commands) {
        const nlohmann::json counts = countCalls(label, args, root);
        if (!counts.is_object()) {
            std::fprintf(stderr, "bench_v4l2export: %s failed\n", label.c_str());
            return false;
        }
        Bench::row(label, countsText(counts), "measured", true);
    }
    // A slider drag is a run of these, to the second camera: it must not wake the first.
    const nlohmann::json set = countCalls("set", {"set", "brightness", "10", "0c45:6366"}, root);
    if (!set.is_object()) {
        std::fputs("bench_v4l2export: set failed\n", stderr);
        return false;
    }
    Bench::row("set brightness 10 0c45:6366", countsText(set), "measured", true);
    const int opens = set.value("opens", -1);
    const int queries = set.value("controlQueries", -1);
    const int writes = set.value("writes", -1);
    Bench::row("  set: nodes opened", std::to_string(opens), "1", opens == 1);
    Bench::row("  set: control queries", std::to_string(queries), "<= 1", queries >= 0 && queries <= 1);
    Bench::row("  set: writes", std::to_string(writes), "1", writes == 1);
    return true;
}

// A `uvcc-helper watch` left alone: its context switches and CPU time, read
// from /proc, between a moment after its first listing and `seconds` later.
struct IdleWatch {
    pid_t pid = -1;
    int input = -1;  // closing it ends the watch
    int output = -1;
    long long switchesAtRest = 0;
    double cpuMsAtRest = 0;
};

long long contextSwitches(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    long long total = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.find("ctxt_switches:") != std::string::npos)
            total += std::atoll(line.substr(line.find(':') + 1).c_str());
    }
    return total;
}

double cpuMs(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t end = text.rfind(')'); // the name may hold spaces
    if (end == std::string::npos)
        return -1;
    std::vector<std::string> fields;
    std::string field;
    for (std::istringstream rest(text.substr(end + 2)); rest >> field;)
        fields.push_back(field);
    if (fields.size() < 13)
        return -1;
    // utime and stime, fields 14 and 15 of the whole line
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) * 1000.0 / sysconf(_SC_CLK_TCK);
}

// Started, its first line read, and left until it has gone to sleep.
std::optional<IdleWatch> startIdleWatch(std::vector<std::string> env)
{
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return std::nullopt;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return std::nullopt;
    }
    std::vector<std::string> argv = {UVCC_HELPER_PATH, "watch"};
    std::vector<char *> argvp = pointers(argv);
    std::vector<char *> envp = pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    IdleWatch watch;
    const bool started = posix_spawn(&watch.pid, argvp[0], &actions, nullptr, argvp.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    watch.input = in[1];
    watch.output = out[0];
    char c = 0;
    while (started && read(watch.output, &c, 1) == 1 && c != '\n') {
    }
    if (!started || c != '\n') {
        close(watch.input);
        close(watch.output);
        if (started)
            waitpid(watch.pid, nullptr, 0);
        return std::nullopt;
    }
    // Settled once 200 ms pass without a switch (it may still be closing the
    // cameras it listed).
    for (long long seen = -1; seen != contextSwitches(watch.pid);) {
        seen = contextSwitches(watch.pid);
        usleep(200000);
    }
    watch.switchesAtRest = contextSwitches(watch.pid);
    watch.cpuMsAtRest = cpuMs(watch.pid);
    return watch;
}

// Rows for the idle watch runs; false when one did not start or end cleanly.
bool reportIdleWatches(const std::string &root, int seconds)
{
    std::vector<std::string> simulated = environment(root, false, false);
    simulated.push_back("UVCC_HELPER_SIMULATE=" + root + "/simulated.json");
    const std::vector<std::pair<std::string, std::vector<std::string>>> kinds = {
        {"V4L2, fake cameras", environment(root, true, true)},
        {"simulated cameras", simulated},
    };
    std::vector<std::optional<IdleWatch>> watches;
    for (const auto &kind : kinds)
        watches.push_back(startIdleWatch(kind.second));
    sleep(unsigned(seconds));
    Bench::header("uvcc-helper watch left idle for " + std::to_string(seconds) + " s");
    bool ok = true;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (!watches[i]) {
            std::fprintf(stderr, "bench_v4l2export: watch (%s) did not start\n", kinds[i].first.c_str());
            ok = false;
            continue;
        }
        const IdleWatch &watch = *watches[i];
        const long long wakeups = contextSwitches(watch.pid) - watch.switchesAtRest;
        const double cpu = cpuMs(watch.pid) - watch.cpuMsAtRest;
        close(watch.input);
        int status = -1;
        waitpid(watch.pid, &status, 0);
        close(watch.output);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        Bench::row("  " + kinds[i].first + ": wake-ups after start", std::to_string(wakeups), "0", wakeups == 0);
        Bench::row("  " + kinds[i].first + ": CPU time", Bench::ms(cpu), "measured", true);
    }
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    char pattern[] = "/tmp/bench_v4l2export.XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("bench_v4l2export: mkdtemp");
        return 1;
    }
    const std::string root = pattern;
    fakeuvc::buildStandardTree(root);

    std::vector<Subject> subjects = {
        {"uvcc-helper export", {UVCC_HELPER_PATH, "export", "1a2b:3c4d"}, true, {}},
        {"v4l2-ctl --list-ctrls", {"v4l2-ctl", "-d", root + "/dev/video2", "--list-ctrls"}, true, {}},
        {"/bin/true", {"/bin/true"}, false, {}},
        {"/bin/true + fake", {"/bin/true"}, true, {}},
        {"uvcc-helper devices, no fake", {UVCC_HELPER_PATH, "devices"}, false, {}, true},
    };
    // Interleaved, so that a burst of load elsewhere hits every subject alike.
    for (int i = 0; i < runs; ++i) {
        for (Subject &subject : subjects) {
            const double ms = timeOnce(subject, root);
            if (ms < 0) {
                std::fprintf(stderr, "bench_v4l2export: %s failed\n", subject.label);
                std::filesystem::remove_all(root);
                return 1;
            }
            subject.millis.push_back(ms);
        }
    }
    const bool counted = reportCallCounts(root) && reportIdleWatches(root, 10);
    std::filesystem::remove_all(root);
    if (!counted)
        return 1;

    Bench::header("V4L2 back end, fake 16-control camera (medians of " + std::to_string(runs) + " runs)");
    for (const Subject &subject : subjects)
        Bench::row(subject.label, Bench::ms(Bench::median(subject.millis)), "measured", true);
    const double helper = Bench::median(subjects[0].millis);
    const double v4l2ctl = Bench::median(subjects[1].millis);
    const double plainTrue = Bench::median(subjects[2].millis);
    const double fakeTrue = Bench::median(subjects[3].millis);
    const double bare = Bench::median(subjects[4].millis);
    Bench::row("  ratio export / v4l2-ctl", Bench::ratio(helper / v4l2ctl), "<= 1.00 x", helper / v4l2ctl <= 1.0);
    Bench::row("  ratio export / (true + fake)", Bench::ratio(helper / fakeTrue), "<= 1.50 x",
               helper / fakeTrue <= 1.5);
    Bench::row("  ratio devices, no fake / true", Bench::ratio(bare / plainTrue), "<= 1.50 x",
               bare / plainTrue <= 1.5);
    return Bench::exitCode();
}

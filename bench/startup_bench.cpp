// Setup's start-up on a real X server, in one run:
//
//   1. The time from starting the process to its first SDL_Flip: the real Setup in a copy of the
//      demo folder (default skin) against a minimal SDL program that opens a 430x400 window and
//      flips once (goal: at most 3.0). A preloaded probe notes the first flip on the monotonic
//      clock; the two programs are started in alternating rounds and each side's median is taken.
//   2. Setup's peak resident memory after all three tabs have been shown (goal: at most 40 MB),
//      from the kernel's high-water mark of the running process.
//   3. Setup's CPU share while it idles on a tab, against a program that starts the same SDL
//      subsystems, opens the same window and then only runs pacing_bench's bare SDL_Delay(1) loop
//      (goal: at most 1.3). Both run side by side over the same seconds, so they share the
//      machine's load; CPU time is the kernel's per-thread account in nanoseconds.
//
// Both run with the x11 driver, on the display of DISPLAY or on a virtual one that xvfb-run
// starts when there is none.
//
//   startup_bench           the full run (seven rounds, six idle seconds)
//   startup_bench --smoke   one round and one idle second, to check the program works (CI runs it)
//   startup_bench --help
// (--inside is the part that runs on the display.)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_options.h"
#include "bench_support.h"

extern char** environ;

namespace {

const double kTimeGoal = 3.0;
const double kMemoryGoalMB = 40.0;
const double kIdleGoal = 1.3;
const int kNeverFlipped = 3; // the exit status that says so: no other display would help

long long MonotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Starts a program with extra environment entries; its pid, or -1.
pid_t Start(const std::string& program, const std::string& directory, const std::vector<std::string>& extra) {
    // The extra entries replace those of the same name.
    std::vector<std::string> environment(extra);
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const std::string& mine : extra)
            replaced = replaced || text.compare(0, mine.find('=') + 1, mine, 0, mine.find('=') + 1) == 0;
        if (!replaced) environment.push_back(text);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(&entry[0]);
    envp.push_back(nullptr);
    std::string programCopy = program;
    char* argv[] = {&programCopy[0], nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The program's working directory: changed here, in the parent, around the spawn.
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    pid_t child = -1;
    int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data());
    std::filesystem::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? child : -1;
}

long long ReadProbe(const std::string& path) {
    std::ifstream in(path);
    long long value = 0;
    return in >> value ? value : 0;
}

void Stop(pid_t child) {
    kill(child, SIGKILL); // our own child; SDL turns SIGTERM into an event Setup ignores
    int status = 0;
    waitpid(child, &status, 0);
}

struct Round {
    double ms = 0; // start to first flip; 0 when there was none
};

// Runs one program to its first flip. A program that keeps running (Setup) is stopped then.
Round Measure(const std::string& program, const std::string& directory) {
    const std::string probe = directory + "/first-flip.txt";
    std::filesystem::remove(probe);
    const long long started = MonotonicNs();
    pid_t child = Start(program, directory,
                        {"LD_PRELOAD=" STARTUP_PROBE, "STARTUP_PROBE_FILE=" + probe, "SDL_VIDEODRIVER=x11"});
    Round round;
    if (child < 0) return round;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    long long flipped = 0;
    int status = 0;
    bool reaped = false;
    while (!reaped && std::chrono::steady_clock::now() < deadline) {
        flipped = ReadProbe(probe);
        if (flipped) break;
        reaped = waitpid(child, &status, WNOHANG) == child;
        if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!flipped) flipped = ReadProbe(probe);
    if (flipped) round.ms = static_cast<double>(flipped - started) / 1e6;
    if (!reaped) Stop(child);
    return round;
}

// ---- A session: the three tabs shown, then idle ---------------------------------------------------

// CPU time of every thread of a running process, in seconds; -1 when it cannot be read.
double ProcessCpuSeconds(pid_t pid) {
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    double total = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream in(task.path() / "schedstat");
        long long ns = 0;
        if (in >> ns) total += static_cast<double>(ns) / 1e9;
    }
    return error ? -1 : total;
}

// The peak resident memory of a running process (VmHWM), in MB; 0 when it cannot be read.
double PeakResidentMB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, 6, "VmHWM:") != 0) continue;
        std::istringstream fields(line.substr(6));
        double kB = 0;
        return fields >> kB ? kB / 1024.0 : 0;
    }
    return 0;
}

// Clicks the video and then the audio tab of Setup's window as a player does (the general tab
// shows first), holding the button long enough for input sampled 20 times a second. True when
// the window was found.
bool ShowEveryTab(pid_t setup) {
    const std::string pid = std::to_string(setup);
    const std::string script =
        "w=$(timeout 20 xdotool search --sync --onlyvisible --pid " + pid + " 2>/dev/null | head -1); "
        "[ -n \"$w\" ] || exit 1; sleep 1; eval \"$(xdotool getwindowgeometry --shell $w)\"; "
        "for x in 167 269; do xdotool mousemove $((X + x)) $((Y + 74)) sleep 0.2 mousedown 1 sleep 0.2 mouseup 1 "
        "sleep 0.6; done";
    return std::system(("bash -c '" + script + "'").c_str()) == 0;
}

struct Session {
    bool ok = false;
    double peakMB = 0;
    double setupShare = 0, referenceShare = 0; // CPU seconds per wall second
};

// Setup and the idle reference side by side: Setup shows its three tabs, then both idle for
// `seconds` while their CPU time is taken.
Session MeasureSession(const std::string& directory, double seconds) {
    Session session;
    const std::vector<std::string> x11 = {"SDL_VIDEODRIVER=x11"};
    pid_t reference = Start(IDLE_REFERENCE, directory, x11);
    pid_t setup = Start(directory + "/Setup", directory, x11);
    if (reference > 0 && setup > 0 && ShowEveryTab(setup)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto start = std::chrono::steady_clock::now();
        const double setupStart = ProcessCpuSeconds(setup), referenceStart = ProcessCpuSeconds(reference);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double setupEnd = ProcessCpuSeconds(setup), referenceEnd = ProcessCpuSeconds(reference);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        session.peakMB = PeakResidentMB(setup);
        session.ok = setupStart >= 0 && referenceStart >= 0 && setupEnd >= 0 && referenceEnd >= 0 && session.peakMB > 0;
        session.setupShare = (setupEnd - setupStart) / wall;
        session.referenceShare = (referenceEnd - referenceStart) / wall;
    }
    if (setup > 0) Stop(setup);
    if (reference > 0) Stop(reference);
    return session;
}

bool XServerUnreachable(const std::string& log) {
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find("Couldn't open X11 display") != std::string::npos ||
           text.find("No available video device") != std::string::npos;
}

const char* Verdict(double value, double goal) { return value <= goal ? "(goal met)" : "(GOAL MISSED)"; }

int Inside(bool smoke) {
    // A scratch copy of the demo folder, so the runs leave the build's own folder alone.
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / ("nimbrel-startup-" + std::to_string(getpid()));
    std::filesystem::create_directories(work);
    std::filesystem::copy(DEMO_DIR, work, std::filesystem::copy_options::recursive);
    const int rounds = smoke ? 1 : 7;
    std::vector<double> setupMs, referenceMs;
    bool failed = false;
    for (int i = 0; i < rounds && !failed; ++i) {
        Round reference = Measure(STARTUP_REFERENCE, work.string());
        Round setup = Measure((work / "Setup").string(), work.string());
        if (reference.ms <= 0 || setup.ms <= 0) {
            // A virtual server that lost the race for its display number is worth another one.
            if (reference.ms <= 0 || XServerUnreachable((work / "Setup.log").string())) {
                std::filesystem::remove_all(work);
                return 1;
            }
            std::printf("   Setup never flipped its screen (see %s/Setup.log)\n", work.c_str());
            failed = true;
            break;
        }
        referenceMs.push_back(reference.ms);
        setupMs.push_back(setup.ms);
    }
    if (failed) return kNeverFlipped;
    const Session session = MeasureSession(work.string(), smoke ? 1.0 : 6.0);
    std::filesystem::remove_all(work);
    if (!session.ok) {
        std::printf("   Setup's session could not be measured (no window, or no account of its threads)\n");
        return kNeverFlipped;
    }
    const double setup = Median(setupMs), reference = Median(referenceMs);
    const double ratio = setup / reference;
    std::printf("1. Start to first flip: Setup %.1f ms, minimal SDL window %.1f ms (medians of %d)\n"
                "   ratio %.2f, goal at most %.1f %s\n",
                setup, reference, rounds, ratio, kTimeGoal, Verdict(ratio, kTimeGoal));
    std::printf("2. Setup's peak resident memory after its three tabs: %.1f MB, goal at most %.0f MB %s\n",
                session.peakMB, kMemoryGoalMB, Verdict(session.peakMB, kMemoryGoalMB));
    const double idle = session.referenceShare > 0 ? session.setupShare / session.referenceShare : 0;
    std::printf("3. CPU while idle on a tab: Setup %.2f%% of one core, bare SDL_Delay(1) loop with the same\n"
                "   SDL subsystems and window %.2f%%; ratio %.2f, goal at most %.1f %s\n",
                session.setupShare * 100, session.referenceShare * 100, idle, kIdleGoal,
                Verdict(idle > 0 ? idle : 1e9, kIdleGoal));
    return 0;
}

// Runs this program again with --inside on a virtual display. Its exit status.
int OnVirtualDisplay(char* self, bool smoke) {
    std::srand(static_cast<unsigned>(getpid()));
    for (int attempt = 0; attempt < 3; ++attempt) {
        // A random first display number keeps runs that start together apart; -noreset keeps the
        // server up while Setup, its only client, restarts its video.
        std::string command = "xvfb-run -a -n " + std::to_string(100 + std::rand() % 800) +
                              " -s '-screen 0 1024x768x24 -noreset' '" + self + "' --inside" +
                              (smoke ? " --smoke" : "");
        int status = std::system(command.c_str());
        if (status == 0) return 0;
        if (WIFEXITED(status) && WEXITSTATUS(status) == kNeverFlipped) return 1;
        std::printf("   (the virtual display run failed, attempt %d)\n", attempt + 1);
    }
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const bool inside = TakeOwnOption(&argc, argv, "--inside");
    bool smoke = false;
    const int status = ReadBenchOptions(argc, argv, "startup_bench",
                                        "Times Setup from process start to its first flip against a minimal SDL\n"
                                        "window, reports Setup's peak resident memory after its three tabs and\n"
                                        "its idle CPU share against a bare sleep loop, on a real X server\n"
                                        "(started with xvfb-run when DISPLAY is not set).",
                                        &smoke);
    if (status >= 0) return status;
    if (smoke && !inside) std::printf("(a smoke run: one round, too few for the figures to mean much)\n\n");
    std::fflush(stdout);
    const char* display = std::getenv("DISPLAY");
    if (inside || (display && *display)) return Inside(smoke);
    return OnVirtualDisplay(argv[0], smoke);
}

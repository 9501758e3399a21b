// A program's start to exit without a window: the set-up every start goes through (crash
// handler, trace log, configuration; see startup_probe.cpp), timed from starting the process to
// its end, with the browser installed on the path as on a user's machine. The bench takes the
// children its probes leave behind (it is their subreaper) and counts them: there must be none.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

// The children left behind so far: taken when they ended, counted while they still run.
int ChildrenLeftBehind() {
    int left = 0;
    while (waitpid(-1, nullptr, WNOHANG) > 0) ++left;
    const std::string self = std::to_string(getpid());
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        FILE* stat = std::fopen((entry.path() / "stat").c_str(), "r");
        if (stat == nullptr) continue;
        int pid = 0, parent = 0;
        char state = 0;
        char command[256];
        if (std::fscanf(stat, "%d (%255[^)]) %c %d", &pid, command, &state, &parent) == 4 &&
            std::to_string(parent) == self) {
            ++left;
        }
        std::fclose(stat);
    }
    return left;
}

void BM_StartToExitWithNoWindow(benchmark::State& state) {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const auto folder = std::filesystem::temp_directory_path() / "jvbench-startup";
    std::filesystem::create_directories(folder);
    const std::string local = "JV_LOCAL_APPDATA=" + folder.string();
    const char* path = "PATH=/usr/local/bin:/usr/bin:/bin";
    const char* env[] = {local.c_str(), path, "HOME=/nonexistent", nullptr};
    const char* argv[] = {JV_STARTUP_PROBE, nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        if (posix_spawn(&child, JV_STARTUP_PROBE, nullptr, nullptr, const_cast<char**>(argv),
                        const_cast<char**>(env)) != 0) {
            state.SkipWithError("cannot start the probe");
            return;
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the probe failed");
            return;
        }
    }
    // A browser asked for its version would still be starting: give it the time it takes.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    state.counters["children_left"] = ChildrenLeftBehind();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_StartToExitWithNoWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

}  // namespace

BENCHMARK_MAIN();

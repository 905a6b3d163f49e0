// The memory the programs hold with the 1,000,000-entry list of the benchmarks: the peak of
// `kxtool info` and the viewer's resident size once the list is open and the window idle; with
// FENTARO_BENCH_LARGEST=1, also the peak of `kxtool info` on the largest list the format allows.
#include "listgen.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string benchFolder() {
    const char* d = std::getenv("FENTARO_BENCH_DIR");
    return d && *d ? d : "/tmp";
}

pid_t spawn(const char* program, const std::string& list, bool quiet) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (quiet) {
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
        }
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(program, program, "info", list.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// The peak resident bytes of `kxtool info LIST`.
double kxtoolPeak(const std::string& list) {
    const pid_t pid = spawn(FENTARO_KXTOOL, list, true);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return double(usage.ru_maxrss) * 1024.0;
}

long residentKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (in >> key) {
        long value = 0;
        if (key == "VmRSS:" && in >> value) return value;
        in.ignore(1 << 12, '\n');
    }
    return 0;
}

void report(benchmark::State& state, double bytes, double entries) {
    state.counters["MB"] = bytes / 1e6;
    state.counters["bytes_per_entry"] = bytes / entries;
}

void BM_KxtoolInfoPeak(benchmark::State& state) {
    const std::string list =
        kxbench::ensureListFile(benchFolder() + "/fentaro-bench-1m.kx", 1000000);
    double peak = 0;
    for (auto _ : state)
        peak = kxtoolPeak(list);
    report(state, peak, 1e6);
}

// The viewer is started on the list; once its resident size has stayed the same for two seconds
// the list is open and the window idle.
void BM_ViewerIdleResident(benchmark::State& state) {
    const std::string list =
        kxbench::ensureListFile(benchFolder() + "/fentaro-bench-1m.kx", 1000000);
    double resident = 0;
    for (auto _ : state) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::freopen("/dev/null", "w", stderr);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::execl(FENTARO_VIEWER, FENTARO_VIEWER, list.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        long last = -1;
        int stable = 0;
        for (int i = 0; i < 600 && stable < 10; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const long now = residentKiB(pid);
            stable = (now == last && now > 0) ? stable + 1 : 0;
            last = now;
        }
        resident = double(last) * 1024.0;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    report(state, resident, 1e6);
}

// 7,158,278 records fill the 4 GiB that a list's entry may hold.
void BM_LargestListKxtoolPeak(benchmark::State& state) {
    if (!std::getenv("FENTARO_BENCH_LARGEST")) {
        state.SkipWithError("set FENTARO_BENCH_LARGEST=1 to make and open a 4 GiB list");
        return;
    }
    constexpr std::size_t kLargest = (0xFFFFFFFFull - 256) / 600;
    const std::string list =
        kxbench::ensureListFile(benchFolder() + "/fentaro-bench-largest.kx", kLargest);
    double peak = 0;
    for (auto _ : state)
        peak = kxtoolPeak(list);
    report(state, peak, double(kLargest));
}

} // namespace

BENCHMARK(BM_KxtoolInfoPeak)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ViewerIdleResident)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LargestListKxtoolPeak)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();

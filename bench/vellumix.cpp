// Whole-file conversion through the vellumix program, as users run it: milliseconds per
// page for each multi-page corpus file, for all of them at once with --jobs 2, and one long
// file shared between two processes.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char* const kFiles[] = {"latex-tracemonkey-14p.pdf", "openoffice-55p.pdf", "distiller-word-86p.pdf",
                              "indesign-155p.pdf", "reportlab-16p.pdf", "chromium-15p.pdf"};
const int kPages[] = {14, 55, 86, 155, 16, 15};

// Everything the runs write, removed when the program ends.
class OutputFolder {
public:
    OutputFolder() {
        std::string pattern = "/tmp/bench-vellumix-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~OutputFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string outputFolder() {
    static OutputFolder folder;
    return folder.path().empty() ? "/tmp" : folder.path();
}

std::string vellumixCommand(const std::string& args) {
    return "env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + outputFolder() + "/config' '" +
           std::string(QM_BINARY_DIR) + "/vellumix' -m -r -q " + args + " >/dev/null 2>&1";
}

int runVellumix(const std::string& args) { return std::system(vellumixCommand(args).c_str()); }

// Two runs at once, each its own process; 0 when both succeed.
int runTwoVellumix(const std::string& first, const std::string& second) {
    const std::string command = vellumixCommand(first) + " & first=$!; " + vellumixCommand(second) +
                                "; second=$?; wait $first && test $second -eq 0";
    return std::system(command.c_str());
}

std::string corpus(const char* name) { return "'" + std::string(QM_TEST_DATA_DIR) + "/corpus/" + name + "'"; }

void ConvertFile(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    state.SetLabel(kFiles[index]);
    for (auto _ : state) {
        if (runVellumix(corpus(kFiles[index]) + " '" + outputFolder() + "/one.htm'") != 0) {
            state.SkipWithError("vellumix failed");
            break;
        }
    }
    // Seconds per page, printed with an SI prefix ("9.4m" is 9.4 ms).
    state.counters["s/page"] = benchmark::Counter(static_cast<double>(state.iterations()) * kPages[index],
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(ConvertFile)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void ConvertAll(benchmark::State& state) {
    const int jobs = static_cast<int>(state.range(0));
    std::string files;
    int pages = 0;
    for (int i = 0; i < 6; ++i) {
        files += " " + corpus(kFiles[i]);
        pages += kPages[i];
    }
    for (auto _ : state) {
        if (runVellumix("--jobs " + std::to_string(jobs) + files + " -o '" + outputFolder() + "/all'") != 0) {
            state.SkipWithError("vellumix failed");
            break;
        }
    }
    state.counters["s/page"] = benchmark::Counter(static_cast<double>(state.iterations()) * pages,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(ConvertAll)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Seconds of processor time used by finished child processes so far.
double childCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One long file with --jobs 1 and --jobs 2, run in turn so that both see the same load from
// other programs: as PNG pages, and as a site (whose pages' text comes back to the
// converting process to be written in page order). "speedup" is the median of the runs'
// ratios of wall times (the noise of a shared machine moves single runs by a tenth either
// way); "cpu_ratio" compares the processor time both runs used (what splitting costs:
// opening the file in every process, sending the text); "idle_speedup" is what two free
// cores would give if the processes shared the work evenly (twice the single run's processor
// time over the split run's), which a file with one slow page cannot reach. "pair_throughput"
// is what the machine itself gives two processes at that moment: two --jobs 1 runs of the
// file side by side, against one alone; a shared virtual machine gives far less than 2 at
// busy times, and "speedup" is to be read against it.
//
// Every run writes a folder of its own and nothing is deleted until the program ends: on a
// file system without a journal, files made within minutes of deleting many others pay a
// scan past every freed slot, which would be charged to whichever run came next.
struct SplitCase {
    const char* label;
    const char* file;
    const char* switches;
};
const SplitCase kSplitCases[] = {{"png latex-geotopo-117p", "latex-geotopo-117p.pdf", "--format png"},
                                 {"site latex-geotopo-117p", "latex-geotopo-117p.pdf", ""},
                                 {"site indesign-155p", "indesign-155p.pdf", ""}};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void SplitOneFile(benchmark::State& state) {
    const SplitCase& c = kSplitCases[state.range(0)];
    state.SetLabel(c.label);
    static int run = 0;
    std::vector<double> wall[2], cpu[2], ratios, pairs;
    // The file's switches and a folder of the run's own.
    auto runArgs = [&] {
        return std::string(c.switches) + " " + corpus(c.file) + " -o '" + outputFolder() + "/split/" +
               std::to_string(++run) + "/'";
    };
    for (auto _ : state) {
        for (int jobs = 1; jobs <= 2; ++jobs) {
            const std::string args = runArgs();
            const double cpuBefore = childCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            if (runVellumix("--jobs " + std::to_string(jobs) + " " + args) != 0) {
                state.SkipWithError("vellumix failed");
                return;
            }
            wall[jobs - 1].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            cpu[jobs - 1].push_back(childCpuSeconds() - cpuBefore);
        }
        ratios.push_back(wall[0].back() / wall[1].back());
        const std::string one = "--jobs 1 " + runArgs(), other = "--jobs 1 " + runArgs();
        const auto start = std::chrono::steady_clock::now();
        if (runTwoVellumix(one, other) != 0) {
            state.SkipWithError("vellumix failed");
            return;
        }
        pairs.push_back(2 * wall[0].back() / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["jobs1_s"] = median(wall[0]);
    state.counters["jobs2_s"] = median(wall[1]);
    state.counters["speedup"] = median(ratios);
    state.counters["cpu_ratio"] = median(cpu[1]) / median(cpu[0]);
    state.counters["idle_speedup"] = 2 * median(cpu[0]) / median(cpu[1]);
    state.counters["pair_throughput"] = median(pairs);
}
BENCHMARK(SplitOneFile)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();

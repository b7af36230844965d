// Whole-file conversion through the vellumix program, as users run it: milliseconds per
// page for each multi-page corpus file, and for all of them at once with --jobs 2.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kFiles[] = {"latex-tracemonkey-14p.pdf", "openoffice-55p.pdf", "distiller-word-86p.pdf",
                              "indesign-155p.pdf", "reportlab-16p.pdf", "chromium-15p.pdf"};
const int kPages[] = {14, 55, 86, 155, 16, 15};

std::string outputFolder() {
    static std::string folder = [] {
        std::string pattern = "/tmp/bench-vellumix-XXXXXX";
        return std::string(::mkdtemp(pattern.data()) ? pattern : "/tmp");
    }();
    return folder;
}

int runVellumix(const std::string& args) {
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + outputFolder() + "/config' '" +
                          std::string(QM_BINARY_DIR) + "/vellumix' -m -r -q " + args + " >/dev/null 2>&1";
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

}  // namespace

BENCHMARK_MAIN();

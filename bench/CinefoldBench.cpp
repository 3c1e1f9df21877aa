// Speed and size of the container codecs and of a whole load, each beside a yardstick measured
// in the same run: memcpy of the same output for the decoders, the published pair encoder and
// zlib for the compressor. bench/README.md says how to read the figures.

#include "AllocationCounter.h"
#include "BaselinePairEncoder.h"
#include "DemoContainer.h"

#include "container/DecodeBuffer.h"
#include "container/PairEncoder.h"
#include "player/Player.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

using namespace cinefold;
using bench::demoWorkload;

namespace {

// Destination buffers for the memcpy yardsticks, one per decoded payload.
struct CopyTargets {
    std::vector<std::vector<std::uint8_t>> buffers;
    explicit CopyTargets(const std::vector<const std::vector<std::uint8_t>*>& sources) {
        for (const auto* source : sources)
            buffers.emplace_back(source->size());
    }
};

std::vector<const std::vector<std::uint8_t>*> decodedImages() {
    std::vector<const std::vector<std::uint8_t>*> images;
    for (const auto& s : demoWorkload().sprites)
        images.push_back(&s);
    for (const auto& m : demoWorkload().masks)
        images.push_back(&m);
    return images;
}

std::size_t totalSize(const std::vector<const std::vector<std::uint8_t>*>& payloads) {
    std::size_t total = 0;
    for (const auto* p : payloads)
        total += p->size();
    return total;
}

void copyAll(benchmark::State& state,
             const std::vector<const std::vector<std::uint8_t>*>& sources) {
    CopyTargets targets(sources);
    for (auto _ : state) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            std::memcpy(targets.buffers[i].data(), sources[i]->data(), sources[i]->size());
            benchmark::DoNotOptimize(targets.buffers[i].data());
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(totalSize(sources)));
}

// The same from and to memory that the caches do not hold: the sources and targets are
// replicated over more than the last-level cache, and each iteration copies the next replica.
void copyAllCold(benchmark::State& state,
                 const std::vector<const std::vector<std::uint8_t>*>& sources) {
    constexpr std::size_t spread = std::size_t(64) << 20;
    std::size_t total = totalSize(sources);
    std::size_t replicas = std::max<std::size_t>(2, (spread + total - 1) / total);
    std::vector<std::vector<std::vector<std::uint8_t>>> from(replicas), to(replicas);
    for (std::size_t r = 0; r < replicas; ++r)
        for (const auto* source : sources) {
            from[r].push_back(*source);
            to[r].emplace_back(source->size(), std::uint8_t(1));
        }
    std::size_t next = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            std::memcpy(to[next][i].data(), from[next][i].data(), from[next][i].size());
            benchmark::DoNotOptimize(to[next][i].data());
        }
        benchmark::ClobberMemory();
        next = (next + 1) % replicas;
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(total));
}

// ----- Pair expansion: the 96 sprite and mask data blocks -----

void PairExpansion(benchmark::State& state) {
    const auto& blocks = demoWorkload().imageBlocks;
    DecodeBuffer buffer;
    for (auto _ : state)
        for (const auto& block : blocks) {
            if (!buffer.decodeDataBlock(block)) state.SkipWithError("block refused");
            benchmark::DoNotOptimize(buffer.output());
        }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(totalSize(decodedImages())));
}
void PairExpansionMemcpy(benchmark::State& state) {
    copyAll(state, decodedImages());
}
void PairExpansionMemcpyCold(benchmark::State& state) {
    copyAllCold(state, decodedImages());
}

// ----- Type-8 run-length decoding: the 640 x 480 background -----

void Type8Decode(benchmark::State& state) {
    const auto& image = demoWorkload().backgroundRunLength;
    DecodeBuffer buffer;
    for (auto _ : state) {
        if (!buffer.decodeRunLengthImage(image)) state.SkipWithError("image refused");
        benchmark::DoNotOptimize(buffer.output());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) *
                            std::int64_t(demoWorkload().background.size()));
}
void Type8Memcpy(benchmark::State& state) {
    copyAll(state, {&demoWorkload().background});
}
void Type8MemcpyCold(benchmark::State& state) {
    copyAllCold(state, {&demoWorkload().background});
}

// ----- Compressors: sprites, masks and table payloads -----

template <typename Compress> void compressAll(benchmark::State& state, Compress compress) {
    auto inputs = demoWorkload().compressorInputs();
    std::size_t input = totalSize(inputs), output = 0;
    for (auto _ : state) {
        output = 0;
        for (const auto* payload : inputs)
            output += compress(*payload);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(input));
    state.counters["in_bytes"] = double(input);
    state.counters["out_bytes"] = double(output);
    state.counters["out/in"] = double(output) / double(input);
}

void CompressPairs(benchmark::State& state) {
    compressAll(state,
                [](const std::vector<std::uint8_t>& p) { return encodeDataBlock(p).size(); });
}
void CompressPublishedPairs(benchmark::State& state) {
    compressAll(state, [](const std::vector<std::uint8_t>& p) {
        return bench::encodeDataBlockBaseline(p).size();
    });
}
void CompressZlib9(benchmark::State& state) {
    std::vector<std::uint8_t> out;
    compressAll(state, [&](const std::vector<std::uint8_t>& p) {
        uLongf length = compressBound(uLong(p.size()));
        out.resize(length);
        if (compress2(out.data(), &length, p.data(), uLong(p.size()), 9) != Z_OK)
            state.SkipWithError("zlib failed");
        return std::size_t(length);
    });
}

// ----- A whole load of the demo-shaped container -----

void loadOnce() {
    const auto& container = demoWorkload().container;
    auto copy = std::make_unique<std::uint8_t[]>(container.size());
    std::memcpy(copy.get(), container.data(), container.size());
    Player player;
    player.adoptContainer(std::move(copy), std::uint32_t(container.size()));
    player.walkChunks();
    benchmark::DoNotOptimize(player.imageStore.entry(0));
}

void Load(benchmark::State& state) {
    for (auto _ : state)
        loadOnce();
    state.counters["container_bytes"] = double(demoWorkload().container.size());
}
// What a load delivers, copied: the container and every decoded image.
void LoadMemcpy(benchmark::State& state) {
    std::vector<const std::vector<std::uint8_t>*> output = decodedImages();
    output.push_back(&demoWorkload().background);
    output.push_back(&demoWorkload().container);
    copyAll(state, output);
}

BENCHMARK(PairExpansionMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(PairExpansionMemcpyCold)->Unit(benchmark::kMicrosecond);
BENCHMARK(PairExpansion)->Unit(benchmark::kMicrosecond);
BENCHMARK(Type8Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(Type8MemcpyCold)->Unit(benchmark::kMicrosecond);
BENCHMARK(Type8Decode)->Unit(benchmark::kMicrosecond);
BENCHMARK(CompressPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(CompressPublishedPairs)->Unit(benchmark::kMillisecond);
BENCHMARK(CompressZlib9)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(Load)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration and counters for the summary, and prints the usual
// console report.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    struct Result {
        double seconds = 0; // real time per iteration
        double bytesPerSecond = 0;
        std::map<std::string, double> counters;
    };

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With --benchmark_repetitions the median stands for the benchmark; otherwise its one
        // run does.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string& name = run.run_name.function_name;
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            if (!median && medians_.count(name)) continue;
            if (median) medians_.insert(name);
            Result& r = results_[name];
            r.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [name, counter] : run.counters)
                r.counters[name] = counter.value;
            auto bytes = run.counters.find("bytes_per_second");
            if (bytes != run.counters.end()) r.bytesPerSecond = bytes->second.value;
        }
    }
    const Result* find(const std::string& name) const {
        auto it = results_.find(name);
        return it == results_.end() ? nullptr : &it->second;
    }

  private:
    std::map<std::string, Result> results_;
    std::set<std::string> medians_;
};

double mb(double bytes) {
    return bytes / 1e6;
}

void printRatio(const SummaryReporter& report, const char* title, const char* subject,
                const char* warmCopy, const char* coldCopy, double target) {
    const auto* s = report.find(subject);
    const auto* warm = report.find(warmCopy);
    const auto* cold = report.find(coldCopy);
    if (!s || !warm || !cold || s->bytesPerSecond <= 0) return;
    double warmRatio = warm->bytesPerSecond / s->bytesPerSecond;
    double coldRatio = cold->bytesPerSecond / s->bytesPerSecond;
    std::printf("%-34s %8.1f MB/s of output (target 1/%g of memcpy or better)\n", title,
                mb(s->bytesPerSecond), target);
    std::printf("%-34s %8.1f MB/s: 1/%.1f %s\n", "  memcpy within the caches",
                mb(warm->bytesPerSecond), warmRatio, warmRatio <= target ? "met" : "MISSED");
    std::printf("%-34s %8.1f MB/s: 1/%.1f %s\n", "  memcpy beyond the caches",
                mb(cold->bytesPerSecond), coldRatio, coldRatio <= target ? "met" : "MISSED");
}

// Peak heap use of one load, beyond what the process held before it, against what the load
// must hold at least: the container and the decoded images.
void printPeakMemory() {
    const auto& w = demoWorkload();
    std::int64_t before = bench::heldBytes();
    std::int64_t allocations = bench::allocationCount();
    bench::resetPeak();
    loadOnce();
    std::int64_t peak = bench::peakHeldBytes() - before;
    allocations = bench::allocationCount() - allocations;
    double floor = double(w.container.size() + w.decodedImageBytes());
    std::printf("%-34s %8.0f KB peak (%lld allocations) vs container %zu KB + decoded images %zu "
                "KB = %.0f KB: %.2f x\n",
                "Peak memory of one load", double(peak) / 1024, (long long)allocations,
                w.container.size() / 1024, w.decodedImageBytes() / 1024, floor / 1024,
                double(peak) / floor);
}

void printSummary(const SummaryReporter& report) {
    std::printf("\nSummary\n");
    printRatio(report, "Pair expansion (96 image blocks)", "PairExpansion", "PairExpansionMemcpy",
               "PairExpansionMemcpyCold", 40);
    printRatio(report, "Type-8 decoding (640 x 480 image)", "Type8Decode", "Type8Memcpy",
               "Type8MemcpyCold", 20);

    const auto* pairs = report.find("CompressPairs");
    const auto* published = report.find("CompressPublishedPairs");
    const auto* zlib = report.find("CompressZlib9");
    if (pairs) {
        double in = pairs->counters.at("in_bytes");
        std::printf("%-34s %8.1f MB/s of input, %.0f -> %.0f bytes (%.1f%%) (target 30 MB/s) %s\n",
                    "Pair compressor", mb(pairs->bytesPerSecond), in,
                    pairs->counters.at("out_bytes"), 100 * pairs->counters.at("out/in"),
                    pairs->bytesPerSecond >= 30e6 ? "met" : "MISSED");
        const std::pair<const char*, const SummaryReporter::Result*> others[] = {
            {"  published pair encoder", published}, {"  zlib level 9", zlib}};
        for (const auto& [name, other] : others) {
            if (!other) continue;
            double out = other->counters.at("out_bytes");
            std::printf("%-34s %8.1f MB/s of input, %.0f bytes (%.1f%%); ours is %+.1f%% in size, "
                        "%.1f x in speed\n",
                        name, mb(other->bytesPerSecond), out, 100 * out / in,
                        100 * (pairs->counters.at("out_bytes") / out - 1),
                        pairs->bytesPerSecond / other->bytesPerSecond);
        }
    }

    const auto* load = report.find("Load");
    const auto* copy = report.find("LoadMemcpy");
    if (load) {
        std::printf("%-34s %8.2f ms for %zu bytes, 97 images (target under 10 ms) %s", "Load",
                    load->seconds * 1e3, demoWorkload().container.size(),
                    load->seconds < 0.010 ? "met" : "MISSED");
        if (copy) std::printf("; memcpy of its output %.2f ms", copy->seconds * 1e3);
        std::printf("\n");
    }
    printPeakMemory();
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    demoWorkload(); // built before anything is timed
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    return 0;
}

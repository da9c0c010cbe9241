// Reading a calculation file in blocks beside a character-at-a-time stream
// read of the same file, reading standard input in blocks, and a whole safe
// save (temporary file, flush to disk, rename).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "document/text_file.h"

namespace {

std::string SampleText(std::size_t bytes)
{
    std::string text;
    for (int i = 0; text.size() < bytes; ++i)
        text += "sin(" + std::to_string(i) + ")*2->mem[a];\r\n";
    text.resize(bytes);
    return text;
}

std::filesystem::path SampleFile(std::size_t bytes)
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("kavm-file-bench-" + std::to_string(bytes) + ".vcl");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << SampleText(bytes);
    return path;
}

void BM_ReadFileInBlocks(benchmark::State& state)
{
    const auto path = SampleFile(static_cast<std::size_t>(state.range(0)));
    std::string bytes;
    for (auto _ : state) {
        ReadFileBytes(path.string(), bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadFileInBlocks)->Arg(1 << 16)->Arg(1 << 24);

void BM_ReadFileCharacterAtATime(benchmark::State& state)
{
    const auto path = SampleFile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadFileCharacterAtATime)->Arg(1 << 16)->Arg(1 << 24);

void BM_ReadStreamInBlocks(benchmark::State& state)
{
    const std::string text = SampleText(static_cast<std::size_t>(state.range(0)));
    std::string bytes;
    for (auto _ : state) {
        std::istringstream in(text);
        ReadStreamBytes(in, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadStreamInBlocks)->Arg(1 << 24);

void BM_SafeSave(benchmark::State& state)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "kavm-file-bench-save.vcm";
    const std::string text = SampleText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteFileReplacing(path.string(), text));
    std::filesystem::remove(path);
}
BENCHMARK(BM_SafeSave)->Arg(1 << 12)->Unit(benchmark::kMicrosecond);

}  // namespace

// kivren-framedata's memory: what it holds does not grow with the file,
// whatever the file holds, and a memory failure is one line, never an abort.
// This program counts every byte that operator new hands out, and can refuse
// to hand out more than a budget, as a machine short of memory would.
#include "converter.h"
#include "frame_data_reader.h"
#include "frame_data_samples.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

namespace {

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};
std::atomic<std::size_t> budget{static_cast<std::size_t>(-1)};

// Each block carries its size in front, kept at the alignment new promises.
constexpr std::size_t header = alignof(std::max_align_t);

void* allocate(std::size_t size) {
    const std::size_t now = liveBytes.fetch_add(size) + size;
    if (now > budget.load()) {
        liveBytes.fetch_sub(size);
        throw std::bad_alloc();
    }
    std::size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    auto* block = static_cast<unsigned char*>(std::malloc(size + header));
    if (!block) {
        liveBytes.fetch_sub(size);
        throw std::bad_alloc();
    }
    *reinterpret_cast<std::size_t*>(block) = size;
    return block + header;
}

void release(void* pointer) noexcept {
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - header;
    liveBytes.fetch_sub(*reinterpret_cast<std::size_t*>(block));
    std::free(block);
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* pointer) noexcept {
    release(pointer);
}
void operator delete[](void* pointer) noexcept {
    release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    release(pointer);
}

namespace {

namespace fs = std::filesystem;

const std::string entry = "0,-4608,1024,0,-0,0.707107,0.707107,90;0,0,93.15,0,-0,0,1;"
                          "0,-4608,17.01,0,-0,0.707107,0.707107;|";
const std::string carGroup = "0,-4608,17.01,0,-0,0.707107,0.707107;";
constexpr std::size_t fileBytes = 4 << 20;

void writeRepeated(const fs::path& path, const std::string& head, const std::string& unit,
                   const std::string& tail) {
    std::ofstream out(path, std::ios::binary);
    out << head;
    for (std::size_t written = head.size(); written < fileBytes; written += unit.size())
        out << unit;
    out << tail;
}

struct ToolRun {
    int status;
    std::string out, err;
    std::size_t peak; // bytes above what was held before the run
};

ToolRun runTool(const std::vector<std::string>& args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out, err;
    const std::size_t before = liveBytes.load();
    peakBytes = before;
    const int status = runFrameDataTool(views, out, err);
    return {status, out.str(), err.str(), peakBytes.load() - before};
}

class FrameDataMemory : public testing::Test {
protected:
    void TearDown() override { budget = static_cast<std::size_t>(-1); }
    std::string at(const char* name) const { return (scratch_.path() / name).string(); }
    std::vector<std::string> allOutputs(const char* input) const {
        return {at(input), "--json", at("o.json"), "--chan", at("o.chan"), "--csv", at("o.csv")};
    }

    ScratchFolder scratch_;
};

// The reading window, one buffer per output and the streams' own fit in two
// megabytes; an input of 4 MB held in memory, even as bare bytes, would not.
constexpr std::size_t bounded = 2 << 20;

TEST_F(FrameDataMemory, ConvertingDoesNotHoldTheFile) {
    writeRepeated(at("frames.txt"), "", entry, "");
    const ToolRun run = runTool(allOutputs("frames.txt"));
    ASSERT_EQ(run.status, exitDone) << run.err;
    EXPECT_LT(run.peak, bounded);
    EXPECT_GT(fs::file_size(at("o.csv")), fileBytes) << "every entry was written";
    std::printf("peak %zu bytes\n", run.peak);
}

TEST_F(FrameDataMemory, DegenerateFilesCostNoMoreThanRealOnes) {
    // Every byte an entry: each costs a whole entry's worth where entries are kept.
    writeRepeated(at("bars.txt"), "", "|", "");
    ToolRun run = runTool({at("bars.txt"), "--json", at("o.json")});
    ASSERT_EQ(run.status, exitDone) << run.err;
    EXPECT_LT(run.peak, bounded);

    // One entry of a hundred thousand cars: an entry is never held whole.
    writeRepeated(at("cars.txt"), "0,1,2,0,0,0,1,90;0,0,0,0,0,0,1;", carGroup, "|");
    run = runTool(allOutputs("cars.txt"));
    ASSERT_EQ(run.status, exitDone) << run.err;
    EXPECT_LT(run.peak, bounded);

    // No separator anywhere: nothing ends, and nothing may pile up waiting for an end.
    writeRepeated(at("digits.txt"), "", "1234567890", "");
    run = runTool({at("digits.txt"), "--check"});
    EXPECT_EQ(run.status, exitFailed);
    EXPECT_NE(run.err.find("digits.txt:1:1: entry 1: camera group, location X: a number of more"),
              std::string::npos)
        << run.err;
    EXPECT_LT(run.peak, bounded);
}

TEST_F(FrameDataMemory, RunningOutIsOneLineAndLeavesNoOutput) {
    writeRepeated(at("frames.txt"), "", entry, "");
    // Too little for the third output's buffer.
    budget = liveBytes.load() + (700 << 10);
    const ToolRun run = runTool(allOutputs("frames.txt"));
    budget = static_cast<std::size_t>(-1);
    EXPECT_EQ(run.status, exitFailed);
    EXPECT_EQ(run.err, "kivren-framedata: ran out of memory\n");
    EXPECT_EQ(namesIn(scratch_.path()), std::vector<std::string>{"frames.txt"});
}

TEST_F(FrameDataMemory, ReadingIntoMemorySaysWhereMemoryRanOut) {
    // Held whole in memory, a long file needs more than the budget allows:
    // the error names the entry where the reading stopped.
    writeRepeated(at("frames.txt"), "", entry, "");
    FrameData data;
    FrameDataError error;
    budget = liveBytes.load() + (1 << 20);
    const bool read = readFrameDataFile(at("frames.txt"), data, error);
    budget = static_cast<std::size_t>(-1);
    ASSERT_FALSE(read);
    EXPECT_EQ(error.message, "ran out of memory here");
    EXPECT_EQ(error.line, 1u);
    EXPECT_GT(error.entry, 1u);
    EXPECT_EQ(error.column, (error.entry - 1) * entry.size() + 1);
}

} // namespace

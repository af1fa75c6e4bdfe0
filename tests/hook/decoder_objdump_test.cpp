// Compares the decoder with GNU objdump over the code of real libraries:
// every instruction boundary objdump reports is decoded on its own, and its
// length, its IP-relative target and its branch target must agree. Where the
// decoder refuses an instruction objdump decodes, that is counted and listed
// by opcode, never accepted as a different length.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "hook/x86_decoder.h"

using namespace hook;

namespace {

struct Listed {
    size_t offset;
    size_t length;
    std::string text;
};

struct Tally {
    size_t compared = 0;
    size_t refused = 0;
    size_t targetsChecked = 0; // branch and IP-relative targets compared
    std::map<std::string, size_t> refusedByOpcode;
    std::vector<std::string> wrong;
};

const std::regex symbolLine(R"(^[0-9a-f]+ <.*>:$)");
const std::regex insnLine(R"(^ *([0-9a-f]+):\t([0-9a-f ]+?) *\t(.*)$)");
const std::regex branchText(R"((?:^|\s)(?:j[a-z]+|call|loop[a-z]*|xbegin)\s+([0-9a-f]+)(?:\s|$))");
const std::regex ripComment(R"(\(%rip\).*#\s*(?:0x)?([0-9a-f]+))");

std::string hexBytes(const uint8_t* p, size_t n) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x ", p[i]);
        s += buf;
    }
    return s;
}

// The opcode bytes after prefixes, which name a refused instruction's kind.
std::string opcodeKey(const uint8_t* p, size_t n) {
    size_t i = 0;
    while (i < n && (p[i] == 0x66 || p[i] == 0x67 || p[i] == 0xF0 || p[i] == 0xF2 || p[i] == 0xF3 ||
                     p[i] == 0x2E || p[i] == 0x3E || p[i] == 0x26 || p[i] == 0x36 || p[i] == 0x64 ||
                     p[i] == 0x65 || (p[i] & 0xF0) == 0x40)) {
        ++i;
    }
    return hexBytes(p + i, n - i < 2 ? n - i : 2);
}

void checkRun(uint64_t start, const std::vector<uint8_t>& bytes, const std::vector<Listed>& run,
              Tally& tally) {
    for (const Listed& l : run) {
        const uint8_t* p = bytes.data() + l.offset;
        const uint64_t address = start + l.offset;
        DecodedInstruction d;
        DecodeStatus status = decodeInstruction(p, bytes.size() - l.offset, d);
        ++tally.compared;
        std::string where = hexBytes(p, l.length) + "| " + l.text;
        if (status != DecodeStatus::Ok && status != DecodeStatus::Truncated) {
            ++tally.refused;
            ++tally.refusedByOpcode[opcodeKey(p, l.length)];
            continue;
        }
        if (status != DecodeStatus::Ok || d.length != l.length) {
            tally.wrong.push_back("length " + std::to_string(d.length) + ": " + where);
            continue;
        }
        std::smatch m;
        const uint64_t next = address + d.length;
        bool objdumpBranch = std::regex_search(l.text, m, branchText);
        tally.targetsChecked += objdumpBranch ? 1 : 0;
        if (d.relativeBranch != objdumpBranch ||
            (objdumpBranch && next + d.immediate != std::stoull(m[1], nullptr, 16))) {
            tally.wrong.push_back("branch target: " + where);
        }
        bool objdumpRip = l.text.find("(%rip)") != std::string::npos;
        if (d.ipRelative() != objdumpRip) {
            tally.wrong.push_back("IP-relative: " + where);
        } else if (objdumpRip && std::regex_search(l.text, m, ripComment)) {
            ++tally.targetsChecked;
            if (next + d.displacement != std::stoull(m[1], nullptr, 16)) {
                tally.wrong.push_back("IP-relative target: " + where);
            }
        }
    }
}

std::optional<Tally> compareWithObjdump(const std::string& objdump, const std::string& file) {
    std::string command = objdump + " -d -w --insn-width=15 -j .text '" + file + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    Tally tally;
    uint64_t start = 0;
    std::vector<uint8_t> bytes;
    std::vector<Listed> run;
    bool skipping = false; // after "(bad)", until the next symbol
    auto flush = [&] {
        checkRun(start, bytes, run, tally);
        bytes.clear();
        run.clear();
    };
    char buffer[4096];
    std::smatch m;
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        if (std::regex_match(line, symbolLine)) {
            flush();
            skipping = false;
            continue;
        }
        if (!std::regex_match(line, m, insnLine)) {
            if (line.find("...") != std::string::npos) {
                flush();
            }
            continue;
        }
        std::string text = m[3];
        if (skipping || text.find("(bad)") != std::string::npos) {
            // Whatever objdump decoded just before garbage may be garbage too.
            if (!skipping && !run.empty()) {
                bytes.resize(run.back().offset);
                run.pop_back();
            }
            flush();
            skipping = true;
            continue;
        }
        uint64_t address = std::stoull(m[1], nullptr, 16);
        if (!run.empty() && address != start + bytes.size()) {
            flush();
        }
        if (run.empty()) {
            start = address;
        }
        Listed l{bytes.size(), 0, text};
        std::string hex = m[2];
        for (size_t i = 0; i + 1 < hex.size(); i += 3) {
            bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
        }
        l.length = bytes.size() - l.offset;
        run.push_back(l);
    }
    flush();
    if (pclose(pipe) != 0 || tally.compared == 0) {
        return std::nullopt;
    }
    return tally;
}

// Every one of these is installed by scripts/setup.sh (libc6, libstdc++6,
// wine64), so a missing one is a fault of the machine, never a pass.
class DecoderAgainstObjdump : public testing::TestWithParam<const char*> {};

TEST_P(DecoderAgainstObjdump, AgreesOnEveryInstructionOfTheLibrarysText) {
    const char* file = GetParam();
    if (std::FILE* f = std::fopen(file, "rb")) {
        std::fclose(f);
    } else {
        FAIL() << file << " is not installed (scripts/setup.sh installs it)";
    }
    std::optional<Tally> tally = compareWithObjdump("objdump", file);
    ASSERT_TRUE(tally) << "objdump could not list " << file;
    std::printf("%s: %zu instructions (%zu targets), %zu refused (%.3f%%), %zu disagreements\n",
                file, tally->compared, tally->targetsChecked, tally->refused,
                100.0 * tally->refused / tally->compared, tally->wrong.size());
    for (const auto& [key, count] : tally->refusedByOpcode) {
        std::printf("  refused %-8s x%zu\n", key.c_str(), count);
    }
    for (size_t i = 0; i < tally->wrong.size() && i < 40; ++i) {
        std::printf("  WRONG %s\n", tally->wrong[i].c_str());
    }
    EXPECT_TRUE(tally->wrong.empty());
    // Refusals cost only an unhookable function; a few per thousand is the
    // price of not guessing at rare encodings.
    EXPECT_LT(tally->refused * 1000, tally->compared * 5);
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, DecoderAgainstObjdump,
    testing::Values("/usr/lib/x86_64-linux-gnu/libc.so.6",
                    "/usr/lib/x86_64-linux-gnu/libstdc++.so.6",
                    "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll",
                    "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/d3d11.dll"),
    [](const testing::TestParamInfo<const char*>& library) {
        std::string name = std::filesystem::path(library.param).stem().string();
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

} // namespace

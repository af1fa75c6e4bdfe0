#include "replay_system.h"

#include <utility>

std::optional<std::string> programOutput(const std::filesystem::path& program,
                                         const std::vector<std::string>& args) {
    ProgramRun run = runProgram(program, args, {}, ChildStreams::Quiet);
    if (run.exitCode != 0)
        return std::nullopt;
    return std::move(run.output);
}

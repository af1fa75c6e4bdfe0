// kivren-sim: plays a synthetic replay through the real plugin library, as
// the game would drive it, and reports what was recorded. See --help.
#include "replay_options.h"
#include "replay_report.h"
#include "replay_session.h"
#include "replay_summary.h"
#include "replay_system.h"

#include <fmt/format.h>

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        ReplayOptions options;
        std::string error;
        const std::vector<std::string> args(argv + 1, argv + argc);
        switch (parseReplayOptions(args, options, error)) {
        case ParseOutcome::Help:
            std::fputs(replayUsage().c_str(), stdout);
            return 0;
        case ParseOutcome::UsageError:
            std::fprintf(stderr, "kivren-sim: %s\n%s", error.c_str(), replayUsage().c_str());
            return 2;
        case ParseOutcome::Run:
            break;
        }

        installInterruptHandler();
        ReplayReporter report(options.quiet, standardOutputIsTerminal());
        ReplayResult result;
        const OutputSnapshot before = snapshotOutputs(options);
        const bool ran = runReplay(options, report, result);
        const int status = [&] {
            if (!result.recorded)
                return 1;
            const bool aligned = printSummary(options, result, before, report);
            if (result.interrupted) {
                report.fail("interrupted: the recording was stopped and what was recorded is kept");
                return 1;
            }
            if (report.failuresSinceStart() > 0) {
                report.fail(fmt::format(
                    "the plugin reported {} failure{} (the ReShade lines above)",
                    report.failuresSinceStart(), report.failuresSinceStart() == 1 ? "" : "s"));
                return 1;
            }
            return ran && aligned ? 0 : 1;
        }();
        runEnded();
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kivren-sim: %s\n", e.what());
        return 1;
    }
}

// kivren-sim: plays a synthetic replay through the real plugin library, as
// the game would drive it, and reports what was recorded. See --help.
#include "replay_options.h"
#include "replay_report.h"
#include "replay_session.h"
#include "replay_summary.h"
#include "replay_system.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        ReplayOptions options;
        std::string error;
        const std::vector<std::string> args(argv + 1, argv + argc);
        switch (parseReplayOptions(args, options, error)) {
        case ParseOutcome::help:
            std::fputs(replayUsage().c_str(), stdout);
            return 0;
        case ParseOutcome::usageError:
            std::fprintf(stderr, "kivren-sim: %s\n%s", error.c_str(), replayUsage().c_str());
            return 2;
        case ParseOutcome::run:
            break;
        }

        installInterruptHandler();
        ReplayReporter report(options.quiet, standardOutputIsTerminal());
        ReplayResult result;
        const bool ran = runReplay(options, report, result);
        if (!result.recorded)
            return 1;
        const bool aligned = printSummary(options, result, report);
        if (result.interrupted) {
            report.fail("interrupted: the recording was stopped and what was recorded is kept");
            return 1;
        }
        return ran && aligned ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kivren-sim: %s\n", e.what());
        return 1;
    }
}

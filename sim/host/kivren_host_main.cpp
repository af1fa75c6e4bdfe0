// kivren-host: loads the built plugin into the stand-in host beside the
// stand-in ReShade, runs a console script, and shows what the console and
// ReShade's log received. Usage:
//   kivren-host [--plugin FILE] [--root FOLDER] [--replay] [SCRIPT.cfg]
#include "reshade_module.h"
#include "sim_host.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

namespace {

int usage(const char* message) {
    std::fprintf(stderr, "kivren-host: %s\n", message);
    std::fprintf(stderr,
                 "usage: kivren-host [--plugin FILE] [--root FOLDER] [--replay] [SCRIPT.cfg]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::filesystem::path plugin = SimHost::builtPlugin();
    std::filesystem::path root = std::filesystem::temp_directory_path() / "kivren-host";
    std::filesystem::path script;
    bool replay = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plugin" && i + 1 < argc)
            plugin = argv[++i];
        else if (arg == "--root" && i + 1 < argc)
            root = argv[++i];
        else if (arg == "--replay")
            replay = true;
        else if (!arg.empty() && arg[0] == '-')
            return usage(("unknown option " + arg).c_str());
        else
            script = arg;
    }

    try {
        StandInReShade& reshade = StandInReShade::instance();
        SimHost host(root);
        std::string error;
        if (!host.loadPlugin(plugin, &error)) {
            std::fprintf(stderr, "kivren-host: cannot load %s: %s\n", plugin.string().c_str(),
                         error.c_str());
            return 1;
        }
        host.game().setInReplay(replay);
        if (!script.empty()) {
            std::ifstream file(script, std::ios::binary);
            if (!file.is_open()) {
                std::fprintf(stderr, "kivren-host: cannot read %s\n", script.string().c_str());
                return 1;
            }
            for (std::string line; std::getline(file, line);) {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.empty() || line.rfind("//", 0) == 0)
                    continue;
                std::cout << "] " << line << "\n";
                host.console().run(line);
                host.game().renderFrame();
            }
        }
        host.unloadPlugin();

        std::cout << "\n--- host console ---\n";
        for (const std::string& line : host.console().logLines())
            std::cout << line << "\n";
        std::cout << "\n--- ReShade ---\n";
        for (const std::string& line : reshade.journal())
            std::cout << line << "\n";
        std::cout << "\n--- " << (host.dataFolder() / "Kivren" / "settings.cfg").string()
                  << " ---\n";
        std::ifstream settings(host.dataFolder() / "Kivren" / "settings.cfg", std::ios::binary);
        std::cout << settings.rdbuf();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kivren-host: %s\n", e.what());
        return 1;
    }
    return 0;
}

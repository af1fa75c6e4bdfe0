#pragma once
// How the SDK's classes cross module boundaries. The wrapper classes live in
// the host's pluginsdk library and are imported by plugins; the plugin base
// class and the plugin's entry points are exported by each plugin.

#define BAKKESMOD_PLUGIN_API_VERSION 95

#if defined(_WIN32)
#if defined(BAKKESMOD_SDK_LIBRARY)
#define BAKKESMOD_PLUGIN_IMPORT __declspec(dllexport)
#else
#define BAKKESMOD_PLUGIN_IMPORT __declspec(dllimport)
#endif
#define BAKKESMOD_PLUGIN_EXPORT __declspec(dllexport)
#else
#define BAKKESMOD_PLUGIN_IMPORT __attribute__((visibility("default")))
#define BAKKESMOD_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

#pragma once
// The text settings (kivren_path, kivren_name, kivren_ffmpeg_path) as every
// thread but the host's reads them. The host writes a bound string in place
// whenever the variable changes, on whichever thread set it; reading that
// string from the presenting thread or the page would race with the write.
// So each change is published here as a new immutable string, and readers
// take a reference to the current one: copying the reference never
// allocates, and the string it points to never changes.

#include <array>
#include <memory>
#include <mutex>
#include <string>

enum class TextSetting { Path = 0, Name = 1, Ffmpeg = 2 };

class TextSettings {
public:
    TextSettings();

    std::shared_ptr<const std::string> get(TextSetting which) const;
    std::string value(TextSetting which) const { return *get(which); }
    void publish(TextSetting which, std::string value);

    // The variable's name, or nothing when it is not a text setting.
    static const char* variableName(TextSetting which);
    static bool fromVariableName(const std::string& name, TextSetting& which);

private:
    mutable std::mutex mutex_;
    std::array<std::shared_ptr<const std::string>, 3> values_;
};

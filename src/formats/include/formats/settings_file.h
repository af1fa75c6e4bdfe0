#pragma once
// The lines of settings.cfg, apart from any file or host: how a value is
// written, whether it can be written at all, and how a line is read back.
// The file looks like a console script, but it is never run as one: each
// line gives one value to one of three variables, so that nothing inside a
// value (a ";" or a second command) is ever executed.

#include <string>
#include <string_view>

// The variables that settings.cfg keeps, in the order of its lines.
inline constexpr const char* persistedSettings[] = {"kivren_path", "kivren_name",
                                                    "kivren_ffmpeg_path"};

// True when the value comes back from its line exactly as it is: a double
// quote would end the value early, and a line break or any other control
// character would split or change the line.
bool savableSettingValue(std::string_view value);

// `name "value"`, without the line break; the value must be savable.
std::string settingsLine(std::string_view name, std::string_view value);

struct SettingsLine {
    enum class Kind { Blank, Setting, Refused };
    Kind kind = Kind::Blank;
    std::string name;  // one of persistedSettings, for a setting
    std::string value; // a savable value, for a setting
};

// One line of the file (its line break already taken off; a CR before it is
// dropped here). Exactly the lines that settingsLine writes are settings.
SettingsLine parseSettingsLine(std::string_view line);

// A refused line as the console shows it: control characters as '?', and
// cut after 80 characters.
std::string printableSettingsLine(std::string_view line);

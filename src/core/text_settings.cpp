#include "core/text_settings.h"

#include "formats/settings_file.h"

#include <cstring>

namespace {

std::size_t slot(TextSetting which) {
    return static_cast<std::size_t>(which);
}

} // namespace

TextSettings::TextSettings() {
    for (auto& value : values_)
        value = std::make_shared<const std::string>();
}

std::shared_ptr<const std::string> TextSettings::get(TextSetting which) const {
    std::lock_guard lock(mutex_);
    return values_[slot(which)];
}

void TextSettings::publish(TextSetting which, std::string value) {
    auto published = std::make_shared<const std::string>(std::move(value));
    std::lock_guard lock(mutex_);
    values_[slot(which)].swap(published);
    // The old string goes when its last reader lets go of it.
}

const char* TextSettings::variableName(TextSetting which) {
    return persistedSettings[slot(which)];
}

bool TextSettings::fromVariableName(const std::string& name, TextSetting& which) {
    for (std::size_t i = 0; i < std::size(persistedSettings); ++i) {
        if (name == persistedSettings[i]) {
            which = static_cast<TextSetting>(i);
            return true;
        }
    }
    return false;
}

#include "sim_cvar.h"

#include "sim_console.h"

#include <cmath>
#include <cstdlib>
#include <fmt/format.h>
#include <typeinfo>

SimCVar::SimCVar(SimConsole& console, std::string name, std::string defaultValue, bool hasMin,
                 float min, bool hasMax, float max)
    : console_(console), name_(std::move(name)), hasMin_(hasMin), hasMax_(hasMax), min_(min),
      max_(max), value_(std::move(defaultValue)) {}

std::string SimCVar::stringValue() const {
    std::lock_guard lock(mutex_);
    return value_;
}

float SimCVar::numeric() const {
    std::lock_guard lock(mutex_);
    return std::strtof(value_.c_str(), nullptr);
}

int SimCVar::intValue() const {
    return static_cast<int>(numeric());
}
float SimCVar::floatValue() const {
    return numeric();
}
bool SimCVar::boolValue() const {
    return numeric() != 0.0f;
}

void SimCVar::setValue(const std::string& value) {
    console_.noteJournal("setValue " + name_ + " " + value);
    std::string oldValue;
    std::vector<std::function<void(std::string, CVarWrapper)>> handlers;
    {
        std::lock_guard lock(mutex_);
        std::string stored = value;
        // A variable with a range holds a number; out-of-range values are clamped.
        if (hasMin_ || hasMax_) {
            const float number = std::strtof(value.c_str(), nullptr);
            float clamped = std::isfinite(number) ? number : 0.0f;
            if (hasMin_ && clamped < min_)
                clamped = min_;
            if (hasMax_ && clamped > max_)
                clamped = max_;
            if (clamped != number || value.empty())
                stored = fmt::format("{}", clamped);
        }
        oldValue = value_;
        value_ = stored;
        ++setCount_;
        for (const Binding& binding : bindings_)
            writeBinding(binding);
        handlers = handlers_;
    }
    // The host runs the change handlers after every set.
    for (auto& handler : handlers)
        handler(oldValue, CVarWrapper(sdk_backend::handOff(shared_from_this()), typeid(SimCVar)));
}

void SimCVar::setValue(int value) {
    setValue(std::to_string(value));
}
void SimCVar::setValue(float value) {
    setValue(fmt::format("{}", value));
}

void SimCVar::writeBinding(const Binding& binding) const {
    const float number = std::strtof(value_.c_str(), nullptr);
    std::visit(
        [&](const auto& target) {
            using T = typename std::decay_t<decltype(target)>::element_type;
            if constexpr (std::is_same_v<T, std::string>)
                *target = value_;
            else if constexpr (std::is_same_v<T, bool>)
                *target = number != 0.0f;
            else if constexpr (std::is_same_v<T, int>)
                *target = static_cast<int>(number);
            else
                *target = number;
        },
        binding);
}

void SimCVar::bindTo(std::shared_ptr<int> target) {
    std::lock_guard lock(mutex_);
    bindings_.emplace_back(std::move(target));
    writeBinding(bindings_.back());
}
void SimCVar::bindTo(std::shared_ptr<bool> target) {
    std::lock_guard lock(mutex_);
    bindings_.emplace_back(std::move(target));
    writeBinding(bindings_.back());
}
void SimCVar::bindTo(std::shared_ptr<float> target) {
    std::lock_guard lock(mutex_);
    bindings_.emplace_back(std::move(target));
    writeBinding(bindings_.back());
}
void SimCVar::bindTo(std::shared_ptr<std::string> target) {
    std::lock_guard lock(mutex_);
    bindings_.emplace_back(std::move(target));
    writeBinding(bindings_.back());
}

void SimCVar::addOnValueChanged(std::function<void(std::string, CVarWrapper)> handler) {
    console_.noteJournal("addOnValueChanged " + name_);
    std::lock_guard lock(mutex_);
    handlers_.push_back(std::move(handler));
}

void SimCVar::detach() {
    std::lock_guard lock(mutex_);
    bindings_.clear();
    handlers_.clear();
}

#pragma once
// One console variable of the stand-in host: a text value, an optional
// numeric range, the values bound to it and its change handlers.

#include "bakkesmod/wrappers/cvarwrapper.h"
#include "sdk_backend.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

class SimConsole;

class SimCVar : public sdk_backend::CVar, public std::enable_shared_from_this<SimCVar> {
public:
    SimCVar(SimConsole& console, std::string name, std::string defaultValue, bool hasMin, float min,
            bool hasMax, float max);

    std::string name() const override { return name_; }
    std::string stringValue() const override;
    int intValue() const override;
    float floatValue() const override;
    bool boolValue() const override;
    void setValue(const std::string& value) override;
    void setValue(int value) override;
    void setValue(float value) override;
    void bindTo(std::shared_ptr<int> target) override;
    void bindTo(std::shared_ptr<bool> target) override;
    void bindTo(std::shared_ptr<float> target) override;
    void bindTo(std::shared_ptr<std::string> target) override;
    void addOnValueChanged(std::function<void(std::string, CVarWrapper)> handler) override;

    // Drops the bound values and handlers (the plugin that gave them is going).
    void detach();
    // How many times a value was set, whatever it was.
    int setCount() const { return setCount_.load(); }

private:
    using Binding = std::variant<std::shared_ptr<int>, std::shared_ptr<bool>,
                                 std::shared_ptr<float>, std::shared_ptr<std::string>>;
    void writeBinding(const Binding& binding) const;
    float numeric() const;

    SimConsole& console_;
    std::string name_;
    bool hasMin_, hasMax_;
    float min_, max_;
    mutable std::recursive_mutex mutex_;
    std::string value_;
    std::atomic<int> setCount_{0};
    std::vector<Binding> bindings_;
    std::vector<std::function<void(std::string, CVarWrapper)>> handlers_;
};

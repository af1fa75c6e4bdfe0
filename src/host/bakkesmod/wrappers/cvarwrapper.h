#pragma once
// One console variable of the host, as a value handle.

#include "sdk_backend.h"

#include <functional>
#include <memory>
#include <string>

class CVarWrapper {
public:
    CVarWrapper() = default;
    explicit CVarWrapper(std::shared_ptr<sdk_backend::CVar> impl) : impl_(std::move(impl)) {}

    std::string getCVarName();
    std::string getStringValue();
    int getIntValue();
    float getFloatValue();
    bool getBoolValue();

    void setValue(std::string value);
    void setValue(int value);
    void setValue(float value);

    // The host writes every new value of the variable into the bound value.
    void bindTo(std::shared_ptr<int> value);
    void bindTo(std::shared_ptr<bool> value);
    void bindTo(std::shared_ptr<float> value);
    void bindTo(std::shared_ptr<std::string> value);

    // Runs after each change with the old value as text and the variable.
    void addOnValueChanged(std::function<void(std::string, CVarWrapper)> changeListener);

    bool IsNull() const { return impl_ == nullptr; }
    explicit operator bool() const { return !IsNull(); }

private:
    std::shared_ptr<sdk_backend::CVar> impl_;
};

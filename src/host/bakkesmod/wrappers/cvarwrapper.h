#pragma once
// One console variable of the host, as a value handle. A handle for a name
// the host does not know is null, and its calls do nothing.

#include "bakkesmod/plugin/bakkesmodsdk.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeindex>

class BAKKESMOD_PLUGIN_IMPORT CVarWrapper {
public:
    CVarWrapper(std::uintptr_t mem, std::type_index type);
    CVarWrapper(const CVarWrapper& other);
    CVarWrapper& operator=(CVarWrapper rhs);
    ~CVarWrapper();

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

    bool IsNull();
    explicit operator bool();

private:
    struct Impl;
    std::unique_ptr<Impl> pimpl;
};

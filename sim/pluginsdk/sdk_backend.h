#pragma once
// The stand-in host SDK's private side: the host implements these interfaces,
// hands its objects to the SDK, and passes the addresses it gets back to the
// wrapper constructors, as the real host passes the addresses of game
// objects. Plugins never see this header.

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/wrapperstructs.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CVarWrapper;
class CanvasWrapper;

namespace sdk_backend {

class Object {
public:
    virtual ~Object() = default;
};

// The address that the wrapper constructors take for this object (0 for
// none). A wrapper made from it shares the object; the registry itself only
// remembers it, so the object must live until the wrapper is made.
BAKKESMOD_PLUGIN_IMPORT std::uintptr_t handOff(const std::shared_ptr<Object>& object);
// The object handed off at this address: null for 0; an address never
// handed off, or whose object has gone, is a host fault (std::logic_error).
BAKKESMOD_PLUGIN_IMPORT std::shared_ptr<Object> claim(std::uintptr_t address);

class CVar : public Object {
public:
    virtual std::string name() const = 0;
    virtual std::string stringValue() const = 0;
    virtual int intValue() const = 0;
    virtual float floatValue() const = 0;
    virtual bool boolValue() const = 0;
    virtual void setValue(const std::string& value) = 0;
    virtual void setValue(int value) = 0;
    virtual void setValue(float value) = 0;
    virtual void bindTo(std::shared_ptr<int> target) = 0;
    virtual void bindTo(std::shared_ptr<bool> target) = 0;
    virtual void bindTo(std::shared_ptr<float> target) = 0;
    virtual void bindTo(std::shared_ptr<std::string> target) = 0;
    virtual void addOnValueChanged(std::function<void(std::string, CVarWrapper)> handler) = 0;
};

class CVarManager : public Object {
public:
    virtual std::shared_ptr<CVar> registerCvar(const std::string& name,
                                               const std::string& defaultValue,
                                               const std::string& description, bool searchable,
                                               bool hasMin, float min, bool hasMax, float max,
                                               bool saveToCfg) = 0;
    virtual void registerNotifier(const std::string& name,
                                  std::function<void(std::vector<std::string>)> notifier,
                                  const std::string& description, unsigned char permissions) = 0;
    virtual std::shared_ptr<CVar> getCvar(const std::string& name) = 0;
    virtual void executeCommand(const std::string& command, bool log) = 0;
    virtual void log(const std::string& text) = 0;
};

class Actor : public Object {
public:
    virtual Vector location() const = 0;
    virtual Rotator rotation() const = 0;
};

class Camera : public Actor {
public:
    virtual float fov() const = 0;
};

class Array : public Object {
public:
    virtual int count() const = 0;
    virtual std::shared_ptr<Actor> get(int index) const = 0;
};

class ReplayServer : public Actor {
public:
    virtual std::shared_ptr<Actor> ball() const = 0;
    virtual std::shared_ptr<Array> cars() const = 0;
};

class Game : public Object {
public:
    virtual bool isInReplay() const = 0;
    virtual std::shared_ptr<Camera> camera() const = 0;
    virtual std::shared_ptr<ReplayServer> replay() const = 0;
    virtual void registerDrawable(std::function<void(CanvasWrapper)> callback) = 0;
    virtual void unregisterDrawables() = 0;
    virtual std::filesystem::path dataFolder() const = 0;
    virtual std::filesystem::path bakkesModPath() const = 0;
};

} // namespace sdk_backend

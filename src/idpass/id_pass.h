#pragma once
// The ID pass: the listed meshes, the flat colour and compiled shader of each,
// the debug highlight, and the game's device they are compiled on. The draw
// path reads them on the game's render thread for every indexed draw; the
// console, the settings page and the recording start change or copy them on
// the host's threads. Lock order: highlightMutex_, then meshMutex_.

#include "formats/mesh_key.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct ID3D11Device;
struct ID3D11DeviceContext;
struct ID3D11PixelShader;

class IdPass {
public:
    // ---- The game's render thread --------------------------------------------
    // Tested without a lock on every draw. Each is stored under the mutex that
    // guards what it stands for: the device and the highlight (highlightMutex_).
    bool deviceTaken() const { return deviceTaken_.load(std::memory_order_acquire); }
    bool highlightReady() const { return highlightReady_.load(std::memory_order_acquire); }
    // The first replay draw: the game's device, the highlight and every
    // listed colour's shader compiled on it.
    void takeDevice(ID3D11DeviceContext* context);
    void bindHighlight(ID3D11DeviceContext* context);
    // Binds the mesh's ID colour when it is listed and has a shader.
    void bindMeshColour(ID3D11DeviceContext* context, MeshHash hash);

    // ---- The host's threads ----------------------------------------------------
    // Lists the mesh; a mesh that has a colour keeps it.
    void addMesh(MeshHash hash);
    void setColour(MeshHash hash, IdColour colour);
    void setHighlightColour(IdColour colour);
    void clear();
    // The settings page's copy of the colours, in the map's iteration order.
    std::vector<IdPassEntry> entries() const;
    // The listed meshes with their colours, in the list's order.
    std::vector<IdPassEntry> listedEntries() const;
    std::vector<MeshHash> listedMeshes() const;
    IdColour highlightColour() const {
        std::lock_guard lock(highlightMutex_);
        return highlightColour_;
    }
    // At unload, after the last draw: every graphics object is released once,
    // however often this runs; the meshes and colours stay listed.
    void releaseGraphicsObjects();

    // Copies for those who check the state from outside.
    std::unordered_set<MeshHash> meshes() const {
        std::lock_guard lock(meshMutex_);
        return meshes_;
    }
    std::unordered_map<MeshHash, IdColour> colours() const {
        std::lock_guard lock(meshMutex_);
        return colours_;
    }
    std::unordered_map<MeshHash, ID3D11PixelShader*> shaders() const {
        std::lock_guard lock(meshMutex_);
        return shaders_;
    }
    ID3D11PixelShader* highlightShader() const {
        std::lock_guard lock(highlightMutex_);
        return highlightShader_;
    }
    ID3D11Device* device() const {
        std::lock_guard lock(highlightMutex_);
        return device_;
    }

private:
    void addColourLocked(MeshHash hash);
    void compileShaderLocked(MeshHash hash, IdColour colour);

    mutable std::mutex highlightMutex_;
    IdColour highlightColour_{1.0f, 0.0f, 1.0f};
    ID3D11PixelShader* highlightShader_ = nullptr;
    ID3D11Device* device_ = nullptr;
    std::atomic<bool> deviceTaken_{false};
    std::atomic<bool> highlightReady_{false};

    mutable std::mutex meshMutex_;
    std::unordered_set<MeshHash> meshes_;
    std::unordered_map<MeshHash, IdColour> colours_;
    std::unordered_map<MeshHash, ID3D11PixelShader*> shaders_;
};

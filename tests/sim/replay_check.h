#pragma once
// What the kivren-sim tests compare recordings against: the program beside
// the test, the scene drawn again from a frame data entry or a game frame,
// and the flat colours that the plugin gives listed meshes.

#include "frame_data.h"
#include "sim_program.h"
#include "sim_scene.h"

#include <filesystem>
#include <string>
#include <vector>

std::filesystem::path simProgram();
std::filesystem::path fakeEncoder();

// The replay state that a frame data entry describes.
SimReplayState stateFromEntry(const FrameData& data, const FrameEntry& entry);

// The colour a mesh's draw comes out in when the ID pass lists it.
Rgba flatColour(const SimMesh& mesh);

// The looks of the scene's meshes in a Custom frame (listed meshes flat) or
// a Main frame (listed empty).
std::vector<MeshLook> looksFor(int cars, const std::vector<std::string>& listed);

// Interior pixels: the mesh seen there (or none) is seen at every neighbour
// too, so codec smearing and sub-pixel differences at edges do not count.
bool interiorPixel(const SceneRenderer& renderer, std::uint32_t x, std::uint32_t y);

// The number in the summary line "  <file>  <n> frames" of a program run, -1 if absent.
long long summaryCount(const std::string& output, const std::string& file);

// Lines of a program's output that start with prefix.
std::vector<std::string> linesStartingWith(const std::string& output, const std::string& prefix);

#pragma once
// What the kivren-sim tests compare recordings against: the program beside
// the test, the scene drawn again from a frame data entry or a game frame,
// and the flat colours that the plugin gives listed meshes.

#include "frame_data.h"
#include "replay_system.h"
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

// Frame index of a video held as upright RGBA frames of width by height.
SimPicture videoFrame(const std::string& frames, std::size_t index, std::uint32_t width,
                      std::uint32_t height);

// Peak signal-to-noise ratio of the colour channels, 99 for equal pictures.
double psnr(const SimPicture& a, const SimPicture& b);

// Each Main frame shows the scene of its frame data entry: at least minimum
// dB like it, and more like it than like the entries around it.
void expectMainFramesShowTheirEntries(const FrameData& data, const std::string& frames,
                                      std::uint32_t width, std::uint32_t height, int cars,
                                      double minimum);

// The Custom frames (the odd game frames) against the scene with the listed
// meshes flat, over interior pixels: per mesh, the pixels seen and those
// within flatTolerance of its flat colour; for unlisted meshes, the pixels
// seen and those within unlistedTolerance of the game's picture.
struct CustomTally {
    std::vector<std::size_t> seen, close;
    std::size_t unlisted = 0, unlistedClose = 0;
};
CustomTally tallyCustomFrames(const std::string& frames, std::uint32_t width, std::uint32_t height,
                              int cars, int gameFps, const std::vector<std::string>& listed,
                              int flatTolerance, int unlistedTolerance);

// The number in the summary line "  <file>  <n> frames" of a program run, -1 if absent.
long long summaryCount(const std::string& output, const std::string& file);

// Lines of a program's output that start with prefix.
std::vector<std::string> linesStartingWith(const std::string& output, const std::string& prefix);

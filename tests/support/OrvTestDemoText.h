#pragma once

// Demo folders for tests and benchmarks of whole documents: a generated show of any size, and
// the sample demo placed in a folder of its own (so that saving never touches the tree).
#include <cstddef>
#include <filesystem>
#include <string>

// A demo file of uLayers sprite layers, each showing its own material resource, with uKeys keys
// spread over their positions (one every 4 frames).
std::string OrvGenerateDemoText(size_t uLayers, size_t uKeys);

// The sample's demo.orv copied into the folder (made if needed), its data folder linked.
void OrvPlaceSampleDemo(const std::filesystem::path& folder);

// The program's resources, embedded in the simulated build from the same files the
// Windows build compiles into the program file.
#pragma once

#include <cstddef>

namespace sim {

struct EmbeddedResource {
  const char* name;
  const char* type; // "RCDATA" or "ICON"
  const unsigned char* bytes;
  std::size_t size;
};

extern const EmbeddedResource EmbeddedResources[];
extern const std::size_t EmbeddedResourceCount;

} // namespace sim

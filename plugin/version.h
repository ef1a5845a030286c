// The plug-in's version, written in this one place: the information record
// packs it for the host, and CMake reads the four lines below to name the
// release package, so keep each as "constexpr uint64_t versionX = number;".
#pragma once

#include <cstdint>

constexpr uint64_t versionMajor = 2;
constexpr uint64_t versionMinor = 0;
constexpr uint64_t versionPatch = 0;
constexpr uint64_t versionBuild = 1200;

// The host reads the version as four 16-bit parts from the most significant.
constexpr uint64_t packVersion(uint64_t major, uint64_t minor, uint64_t patch, uint64_t build) {
    return (major & 0xFFFF) << 48 | (minor & 0xFFFF) << 32 | (patch & 0xFFFF) << 16 | (build & 0xFFFF);
}

constexpr uint64_t pluginVersion = packVersion(versionMajor, versionMinor, versionPatch, versionBuild);

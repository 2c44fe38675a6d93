#pragma once

#include <cstdint>
#include <vector>

// Window properties on the application's own X connection, written as a window manager would
// write them, so that a test on a bare X server can play the manager. Writes and reads keep
// their order on the one connection.
namespace x11properties {

std::uint32_t Root();
std::uint32_t Atom(const char* name);
void Write(std::uint32_t window, const char* name, std::uint32_t type, std::uint8_t format,
           const std::vector<std::uint32_t>& values);
// The property's 32-bit values; empty when it is missing or not of 32-bit format.
std::vector<std::uint32_t> Read(std::uint32_t window, const char* name);

} // namespace x11properties

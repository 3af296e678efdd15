// The CD starter index.exe as built with this program: empty when the Windows cross
// compiler was missing at build time.
#pragma once

#include <span>

std::span<const unsigned char> builtInStarterExe();

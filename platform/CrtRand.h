// The process's one C-runtime style random generator. It reproduces the Windows C runtime's
// rand/srand sequence exactly (15-bit results 0..32767) on every platform, so that a seed gives
// the same loops everywhere.
#pragma once

#include <cstdint>

namespace velmora {

// Next value 0..32767. [any-thread, real-time safe: one atomic update, no lock]
int crtRand() noexcept;

// Reseed the generator. [any-thread]
void crtSrand(std::uint32_t seed) noexcept;

}  // namespace velmora

// The system browser control's per-program settings the shell asks for
// (newest document mode, GPU drawing), and the rule that keeps a value the
// user set by hand.
#pragma once

#include <cstdint>
#include <optional>

namespace lumo {

inline constexpr uint32_t kBrowserEmulationMode = 11001;  // the newest document mode, always
inline constexpr uint32_t kGpuRendering = 1;

// What to write for one setting: `current` is the value there now, `ours`
// the one the shell recorded when it last wrote it. A missing value, or one
// that is still what we wrote, becomes `wanted`; any other value was set by
// someone else and stays. nullopt: nothing to write.
std::optional<uint32_t> FeatureValueToWrite(std::optional<uint32_t> current,
                                            std::optional<uint32_t> ours, uint32_t wanted);

}  // namespace lumo

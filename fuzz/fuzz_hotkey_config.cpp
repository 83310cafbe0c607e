// Any bytes stored under "hotkeyConfig" are refused or read; what is read writes back and
// reads again to the same configuration.
#include "hotkeys/HotkeyConfig.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto config = HotkeyConfig::fromJson(input);
    if (!config) {
        return 0;
    }
    const auto again = HotkeyConfig::fromJson(config->toJson());
    if (!again || !(*again == *config)) {
        std::abort();
    }
    (void)config->conflicts();
    return 0;
}

#include "platform/LegacyRandom.h"

#include <bit>

namespace platform {

float LegacyRandom::next()
{
    step();
    return value();
}

float LegacyRandom::next(float argument)
{
    if (argument < 0.0F) {
        const auto b = std::bit_cast<std::uint32_t>(argument);
        m_state = (b + (b >> 24)) & 0xFFFFFF;
        step();
    } else if (argument > 0.0F) {
        step();
    }
    return value();
}

} // namespace platform

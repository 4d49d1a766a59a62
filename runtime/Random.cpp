#include "runtime/Random.h"

#include <bit>

namespace runtime {

float Random::next()
{
    step();
    return value();
}

float Random::next(float argument)
{
    if (argument < 0.0f) {
        const auto b = std::bit_cast<std::uint32_t>(argument);
        m_state = (b + (b >> 24)) & 0xFFFFFF;
        step();
    } else if (argument > 0.0f) {
        step();
    }
    return value();
}

Random &Random::shared()
{
    static Random generator;
    return generator;
}

} // namespace runtime

#pragma once

#include <cstdint>

namespace platform {

// The original runtime's random-number generator, reproduced value for value:
// work files are encoded with tables drawn from it. One object carries the
// state across uses, as the runtime's one generator did within a process.
class LegacyRandom
{
public:
    static constexpr std::uint32_t InitialState = 0x50000;

    // No argument: step once and return the new value.
    float next();
    // The argument rule: < 0 reseeds from the argument alone, then steps;
    // 0 repeats the current value; > 0 steps.
    float next(float argument);
    // A 32-bit integer argument is first rounded to single precision.
    float next(std::int32_t argument) { return next(static_cast<float>(argument)); }

    [[nodiscard]] std::uint32_t state() const { return m_state; }
    void setState(std::uint32_t state) { m_state = state & 0xFFFFFF; }

private:
    [[nodiscard]] float value() const { return static_cast<float>(m_state) / 16777216.0F; }
    void step() { m_state = (m_state * 0x43FD43FDU + 0xC39EC3U) & 0xFFFFFF; }

    std::uint32_t m_state = InitialState;
};

} // namespace platform

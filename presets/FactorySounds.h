#pragma once

#include "model/ParameterSet.h"

#include <array>
#include <string_view>

// The four factory sounds of the "Preset sounds" menu.
namespace presets {

enum class Sound : quint8
{
    Universal,
    MUniversal,
    Speed,
    MSpeed,
};

inline constexpr int kSoundCount = 4;

// One assignment of a sound: the member and its value in each sound, by Sound order.
struct SoundRow
{
    model::Member member;
    std::array<quint8, kSoundCount> values;
};

inline constexpr int kSoundRowCount = 30;

// The rows in the order they are assigned; the order matters (bassamount before density, so
// the bass density rule may overwrite bassamount).
const std::array<SoundRow, kSoundRowCount>& soundTable();

// Writes the sound into the set, row by row, through the set's change rules. Touches only the
// 28 sliders, chkTurbo and Space.
void apply(Sound sound, model::ParameterSet& set);

} // namespace presets

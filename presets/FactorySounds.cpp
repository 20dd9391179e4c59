#include "presets/FactorySounds.h"

namespace presets {
namespace {

using M = model::Member;

// Columns: Universal, M - Universal, Speed, M - Speed.
// clang-format off
constexpr std::array<SoundRow, kSoundRowCount> kTable{{
    {M::gate,        {  8,   8,   1,   1}},
    {M::ranges,      {248, 248, 255, 255}},
    {M::bassrel,     {205, 205, 242, 242}},
    {M::masterrel,   {180, 180, 210, 210}},
    {M::bassamount,  {180,  60, 110,  50}},
    {M::eq200600,    {141, 141, 141, 141}},
    {M::eq60016,     { 59,  59, 136, 136}},
    {M::eq1638,      { 65,  65, 223, 141}},
    {M::eq3815,      {123, 123, 141, 141}},
    {M::rel200600,   {141, 141, 141, 141}},
    {M::rel60016,    { 59,  59, 141, 141}},
    {M::rel1638,     { 58,  58, 147, 147}},
    {M::rel3815,     { 58,  58, 160, 160}},
    {M::density,     { 70,  70,  45,  45}},
    {M::obbass,      {128, 128, 230, 230}},
    {M::ob200600,    {130, 130, 113, 113}},
    {M::ob60016,     { 65,  65, 130, 130}},
    {M::ob1638,      {136, 136, 125, 125}},
    {M::ob3815,      {131, 131, 132,  95}},
    {M::optidrive,   { 25,  25,  50,  50}},
    {M::mpxpow,      { 73,  73,  90,  90}},
    {M::mainexp,     {  1,   1,   1,   1}},
    {M::mclipdrive,  { 90,  90,  23,  23}},
    {M::chkTurbo,    {  0,   0,   0,   0}},
    {M::MSlimit,     {100, 100, 125, 125}},
    {M::Enhancement, {135, 135, 150, 150}},
    {M::Space,       {  0,   0,   0,   0}},
    {M::LFShift,     { 92,  92,  90,  90}},
    {M::HFShift,     {220, 220, 181, 181}},
    {M::LUFSOffset,  {165, 165, 145, 145}},
}};
// clang-format on

constexpr bool everySliderOnce()
{
    std::array<int, model::kMemberCount> seen{};
    for (const SoundRow& r : kTable) {
        ++seen[model::index(r.member)];
    }
    for (int i = 0; i < model::kSliderCount; ++i) {
        if (seen[i] != 1) {
            return false;
        }
    }
    return seen[model::index(M::chkTurbo)] == 1 && seen[model::index(M::Space)] == 1 &&
           seen[model::index(M::Digin)] == 0 && seen[model::index(M::Daynight)] == 0 &&
           seen[model::index(M::AutoDensity)] == 0;
}
static_assert(everySliderOnce(), "a sound sets every slider, chkTurbo and Space exactly once");

} // namespace

const std::array<SoundRow, kSoundRowCount>& soundTable()
{
    return kTable;
}

void apply(Sound sound, model::ParameterSet& set)
{
    for (const SoundRow& r : kTable) {
        set.assign(r.member, r.values[static_cast<int>(sound)]);
    }
}

} // namespace presets

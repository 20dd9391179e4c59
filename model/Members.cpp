#include "model/Members.h"

#include <algorithm>

namespace model {
namespace {

constexpr std::string_view kLevelers = "Levelers (bass and main)";
constexpr std::string_view kLimiters = "Limiters";
constexpr std::string_view kOutputMix = "Output spectral mix";
constexpr std::string_view kOptimizer = "Otimizer/Clipper drive/Expanders";
constexpr std::string_view kSpatial = "Spatial Enhancer";

using M = Member;
using K = Kind;
using E = End;
constexpr int X = kAbsent;

// clang-format off
constexpr std::array<MemberInfo, kMemberCount> kMembers{{
//   member          name           kind      255       init group          meaning                     dayF ngtF dayR ngtR file exp  export label                   para
    {M::gate,        "gate",        K::Slider, E::Top,    1,  kLevelers,     "Gate",                       1,   1,   0,   0,   1,   2, "Gate Level:             ",   1},
    {M::ranges,      "ranges",      K::Slider, E::Bottom, 255, kLevelers,    "Ranges",                     2,   2,   1,   1,   2,   3, "Levelers Ranges:        ",   2},
    {M::bassrel,     "bassrel",     K::Slider, E::Bottom, 255, kLevelers,    "Bass release",               3,   3,   2,   2,   3,   4, "Bass Release:           ",   3},
    {M::masterrel,   "masterrel",   K::Slider, E::Bottom, 255, kLevelers,    "Master release",             4,   4,   3,   3,   4,   5, "Master Release:         ",   4},
    {M::bassamount,  "bassamount",  K::Slider, E::Top,    1,  kLevelers,     "Bass on Voice",              5,   5,   4,   4,   5,   6, "Bass On Voice:          ",   5},
    {M::eq200600,    "eq200600",    K::Slider, E::Top,    1,  kLimiters,     "EQ 200-600 Hz",              6,   6,   5,   5,   6,   8, "EQ 200-600 Hz:          ",   7},
    {M::eq60016,     "eq60016",     K::Slider, E::Top,    1,  kLimiters,     "EQ 600 Hz-1.6 kHz",          7,   7,   6,   6,   7,   9, "EQ 600-1.6 kHz:         ",   8},
    {M::eq1638,      "eq1638",      K::Slider, E::Top,    1,  kLimiters,     "EQ 1.6-3.8 kHz",             8,   8,   7,   7,   8,  10, "EQ 1.6-3.8 kHz:         ",   9},
    {M::eq3815,      "eq3815",      K::Slider, E::Top,    1,  kLimiters,     "EQ 3.8-15 kHz",              9,   9,   8,   8,   9,  11, "EQ 3.8-15 kHz:          ",  10},
    {M::rel200600,   "rel200600",   K::Slider, E::Bottom, 255, kLimiters,    "Release 200-600 Hz",        10,  10,   9,   9,  10,  12, "Rel. 200-600 Hz:        ",  11},
    {M::rel60016,    "rel60016",    K::Slider, E::Bottom, 255, kLimiters,    "Release 600 Hz-1.6 kHz",    11,  11,  10,  10,  11,  13, "Rel. 600-1.6 kHz:       ",  12},
    {M::rel1638,     "rel1638",     K::Slider, E::Bottom, 255, kLimiters,    "Release 1.6-3.8 kHz",       12,  12,  11,  11,  12,  14, "Rel. 1.6-3.8 kHz:       ",  13},
    {M::rel3815,     "rel3815",     K::Slider, E::Bottom, 255, kLimiters,    "Release 3.8-15 kHz",        13,  13,  12,  12,  13,  15, "Rel. 3.8-15 kHz:        ",  14},
    {M::density,     "density",     K::Slider, E::Top,    1,  kLimiters,     "Density",                   14,  14,  13,  13,  14,   7, "Density:                ",   6},
    {M::obbass,      "obbass",      K::Slider, E::Top,    1,  kOutputMix,    "Output balance bass",       15,  15,  14,  14,  15,  16, "Optimizer Bass:         ",  15},
    {M::ob200600,    "ob200600",    K::Slider, E::Top,    1,  kOutputMix,    "Output balance 200-600 Hz", 16,  16,  15,  15,  16,  17, "Optimizer 200-600 Hz:   ",  16},
    {M::ob60016,     "ob60016",     K::Slider, E::Top,    1,  kOutputMix,    "Output balance 600 Hz-1.6 kHz", 17, 17, 16, 16, 17, 18, "Optimizer 600-1.6 kHz:  ",  17},
    {M::ob1638,      "ob1638",      K::Slider, E::Top,    1,  kOutputMix,    "Output balance 1.6-3.8 kHz", 18, 18,  17,  17,  18,  19, "Optimizer 1.6-3.8 kHz:  ",  18},
    {M::ob3815,      "ob3815",      K::Slider, E::Top,    1,  kOutputMix,    "Output balance 3.8-15 kHz", 19,  19,  18,  18,  19,  20, "Optimizer 3.8-15 kHz:   ",  19},
    {M::optidrive,   "optidrive",   K::Slider, E::Right,  1,  kOptimizer,    "Optimizer SF Drive",        20,  20,  19,  19,  20,  21, "Optimizer Drive:        ",  20},
    {M::mclipdrive,  "mclipdrive",  K::Slider, E::Top,    0,  kOptimizer,    "Master Clipper Drive",      23,  23,  22,  22,  23,  25, "Master Clipper Drive:   ",  21},
    {M::mainexp,     "mainexp",     K::Slider, E::Left,   1,  kOptimizer,    "Expander M+HF Levels",      22,  22,  21,  21,  22,  24, "Main Expander Level:    ",  22},
    {M::mpxpow,      "mpxpow",      K::Slider, E::Top,    255, "LUFS Level dB", "LUFS Level",             21,  21,  20,  20,  21,  22, "LUFS:                   ",  23},
    {M::LUFSOffset,  "LUFSOffset",  K::Slider, E::Top,    170, "LUFS Offset dB", "LUFS Offset",           34,   X,  34,   X,  32,  23, "LUFS Offset:            ",  24},
    {M::HFShift,     "HFShift",     K::Slider, E::Right,  0,  "HFT (kHz)",   "HFT HF Shift",              32,   X,  32,   X,  31,  33, "HFT HF Shift:           ",  32},
    {M::LFShift,     "LFShift",     K::Slider, E::Right,  0,  "LFT Bass (Hz)", "LFT Bass Shift",          33,   X,  33,   X,  30,  32, "LFT Bass Shift:         ",  31},
    {M::MSlimit,     "MSlimit",     K::Slider, E::Right,  0,  kSpatial,      "S/M limitation ratio",      30,   X,  30,   X,  28,  30, "S/M Limitation Ratio:   ",  29},
    {M::Enhancement, "Enhancement", K::Slider, E::Right,  0,  kSpatial,      "Stereo Enhancement",        31,   X,  31,   X,  29,  31, "Stereo Enhancement:     ",  30},
    {M::chkTurbo,    "chkTurbo",    K::Check,  E::None,   0,  "Spatial Enhaner", "Space ON",              29,   X,  29,   X,  27,  29, "Space:                  ",  28},
    {M::Space,       "Space",       K::Flag,   E::None,   0,  "&Options",    "&Turbo/ Double processing", 24,  24,  23,  23,  24,  26, "Turbo:                  ",  26},
    {M::Digin,       "Digin",       K::Flag,   E::None,   0,  "&Options",    "&Digital input AES3 (AES/EBU)", 25, 25, 24, 24,  25,  27, "Digital Input:          ",  25},
    {M::Daynight,    "Daynight",    K::Flag,   E::None,   0,  "&Options",    "&Enable Day/Night by switch ", 27,  26,  26,   X,   X,  28, "Day/Night:              ",  27},
    {M::AutoDensity, "AutoDensity", K::Flag,   E::None,   0,  "&Options",    "&Bass density Follows Density", X,  X,   X,   X,  26,   X, "",                            X},
}};
// clang-format on

constexpr bool tableInMemberOrder()
{
    for (int i = 0; i < kMemberCount; ++i) {
        if (index(kMembers[i].member) != i) {
            return false;
        }
    }
    return true;
}
static_assert(tableInMemberOrder(), "member table must follow the Member enumeration");

} // namespace

const std::array<MemberInfo, kMemberCount>& members()
{
    return kMembers;
}

const MemberInfo& info(Member m)
{
    return kMembers[index(m)];
}

std::optional<Member> memberByName(std::string_view name)
{
    auto it = std::find_if(kMembers.begin(), kMembers.end(),
                           [name](const MemberInfo& i) { return i.name == name; });
    if (it == kMembers.end()) {
        return std::nullopt;
    }
    return it->member;
}

} // namespace model

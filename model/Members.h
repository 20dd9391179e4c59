#pragma once

#include <QtGlobal>

#include <array>
#include <optional>
#include <string_view>

// The parameter set: 28 sliders, the spatial enhancer check box and four option flags.
// Every place that lays members out (frames, replies, files, export, windows) reads this table.
namespace model {

enum class Member : quint8
{
    // Sliders, in panel order.
    gate,
    ranges,
    bassrel,
    masterrel,
    bassamount,
    eq200600,
    eq60016,
    eq1638,
    eq3815,
    rel200600,
    rel60016,
    rel1638,
    rel3815,
    density,
    obbass,
    ob200600,
    ob60016,
    ob1638,
    ob3815,
    optidrive,
    mclipdrive,
    mainexp,
    mpxpow,
    LUFSOffset,
    HFShift,
    LFShift,
    MSlimit,
    Enhancement,
    // Check box: 0 clear, 1 checked, 2 greyed.
    chkTurbo,
    // Option menu check marks: 0 or 1.
    Space,
    Digin,
    Daynight,
    AutoDensity,
};

inline constexpr int kSliderCount = 28;
inline constexpr int kMemberCount = 33;

enum class Kind : quint8
{
    Slider,
    Check,
    Flag,
};

// The end of a slider that holds 255.
enum class End : quint8
{
    None,
    Top,
    Bottom,
    Left,
    Right,
};

inline constexpr int kAbsent = -1;

struct MemberInfo
{
    Member member;
    std::string_view name; // control name, also the object name of its widget
    Kind kind;
    End end255;
    int initial;
    std::string_view group;       // caption of the panel group that holds it
    std::string_view meaning;     // a slider's accessible name; a flag's menu caption
    int dayFrame;                 // offset in the day frame (header at 0), or kAbsent
    int nightFrame;               // offset in the night frame (header at 0), or kAbsent
    int dayReply;                 // offset in the day upload reply, or kAbsent
    int nightReply;               // offset in the night upload reply, or kAbsent
    int fileLine;                 // line of the parameter file (1..32), or kAbsent
    int exportLine;               // line of the text export (2..33), or kAbsent
    std::string_view exportLabel; // 24 characters, or empty
    int paraRow;                  // row of the exact parameters window (1..32), or kAbsent
};

const std::array<MemberInfo, kMemberCount>& members();
const MemberInfo& info(Member m);
std::optional<Member> memberByName(std::string_view name);

constexpr int index(Member m)
{
    return static_cast<int>(m);
}
constexpr Member memberAt(int i)
{
    return static_cast<Member>(i);
}
constexpr bool isSlider(Member m)
{
    return index(m) < kSliderCount;
}
constexpr bool isFlag(Member m)
{
    return index(m) > index(Member::chkTurbo);
}

// Highest value a member accepts: 255 for sliders, 2 for chkTurbo, 1 for flags.
constexpr int maximum(Member m)
{
    if (isSlider(m)) {
        return 255;
    }
    return m == Member::chkTurbo ? 2 : 1;
}

} // namespace model

#include "dialogs/Para.h"

#include <QLocale>

#include <cmath>

namespace para {
namespace {

using F = Frame;

// clang-format off
constexpr std::array<RowText, kRowCount> kRows{{
    { 1, "txtGate",        "Gate Level",            F::Levelers},
    { 2, "txtRanges",      "Levelers Ranges",       F::Levelers},
    { 3, "txtBassRel",     "Bass Release",          F::Levelers},
    { 4, "txtMasterRel",   "Master Release",        F::Levelers},
    { 5, "txtBassDens",    "Bass On Voice",         F::Levelers},
    { 6, "txtDensity",     "Density",               F::Levelers},
    { 7, "txtEQ26",        "EQ 200-600 Hz",         F::EQ},
    { 8, "txtEQ616",       "EQ 600-1,6 kHz",        F::EQ},
    { 9, "txtEQ1638",      "EQ 1,6-3,8 kHz",        F::EQ},
    {10, "txtEQ3815",      "EQ 3,8-15 kHz",         F::EQ},
    {11, "txtRel26",       "Rel. 200-600 Hz",       F::ReleaseTimes},
    {12, "txtRel616",      "Rel. 600-1,6 kHz",      F::ReleaseTimes},
    {13, "txtRel1638",     "Rel. 1,6-3,8 kHz",      F::ReleaseTimes},
    {14, "txtRel3815",     "Rel. 3,8-15 kHz",       F::ReleaseTimes},
    {15, "txtOptBass",     "Bass",                  F::OutputMix},
    {16, "txtOpt26",       "200-600 Hz",            F::OutputMix},
    {17, "txtOpt616",      "600-1,6 kHz",           F::OutputMix},
    {18, "txtOpt1638",     "1,6-3,8 kHz",           F::OutputMix},
    {19, "txtOpt3815",     "3,8-15 kHz",            F::OutputMix},
    {20, "txtOptiDrive",   "Optimizer Drive",       F::OptimizerExpanders},
    {21, "txtMCDrive",     "Master Clipper Drive",  F::OptimizerExpanders},
    {22, "txtMExp",        "Master Expander Level", F::OptimizerExpanders},
    {23, "txtHExp",        "LUFS Level",            F::OptimizerExpanders},
    {24, "txtLU",          "LUFS Offset",           F::Window},
    {25, "CheckDIN",       "Digital Input ON",      F::Options},
    {26, "CheckSPACE",     "Turbo Process ON",      F::Options},
    {27, "CheckDayNight",  "Day/Night Enable",      F::Options},
    {28, "CheckTurbo",     "Spatial Enhancer ON",   F::SpatialEnhancer},
    {29, "txtSM",          "S/M Limitation Ratio",  F::SpatialEnhancer},
    {30, "txtEnhancement", "Stereo Enhancement",    F::SpatialEnhancer},
    {31, "txtLFT",         "LFT (Bass Shift)",      F::LftHft},
    {32, "txtHFT",         "HFT (HF Shift)",        F::LftHft},
}};
// clang-format on

std::array<model::Member, kRowCount + 1> membersByRow()
{
    std::array<model::Member, kRowCount + 1> byRow{};
    for (const model::MemberInfo& info : model::members()) {
        if (info.paraRow != model::kAbsent) {
            byRow[info.paraRow] = info.member;
        }
    }
    return byRow;
}

} // namespace

const std::array<RowText, kRowCount>& rows()
{
    return kRows;
}

QString frameCaption(Frame frame)
{
    switch (frame) {
    case F::Levelers:
        return QStringLiteral("Levelers (Main and Bass)");
    case F::EQ:
    case F::Window:
        return {};
    case F::ReleaseTimes:
        return QStringLiteral("Release Times ");
    case F::OutputMix:
        return QStringLiteral("Output Spectral Mix ");
    case F::OptimizerExpanders:
        return QStringLiteral("Optimizer Drive / Expanders");
    case F::Options:
        return QStringLiteral("Options");
    case F::SpatialEnhancer:
        return QStringLiteral("Spatial Enhancer");
    case F::LftHft:
        return QStringLiteral("LFT and HFT");
    }
    return {};
}

model::Member memberOfRow(int row)
{
    static const auto byRow = membersByRow();
    Q_ASSERT(row >= 1 && row <= kRowCount);
    return byRow[row];
}

bool isCheckRow(int row)
{
    return row >= 25 && row <= 28;
}

std::optional<int> toInt16(const QString& text)
{
    QLocale c = QLocale::c();
    // A comma is never a thousands separator here: "1,5" is refused rather than read as 15.
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double d = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(d)) {
        return std::nullopt;
    }
    // The default rounding mode sends halves to the even neighbour.
    const double r = std::nearbyint(d);
    if (r < -32768.0 || r > 32767.0) {
        return std::nullopt;
    }
    return static_cast<int>(r);
}

} // namespace para

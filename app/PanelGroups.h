#pragma once

#include "model/Members.h"

#include <QList>
#include <QRect>
#include <QStringList>

#include <functional>

class ParamSlider;
class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

// The framed groups of the front panel with their sliders, scale marks and legends.
// Geometry is fixed, in pixels of the 921 x 547 client area.
namespace panel {

// Creates the slider of a member inside a group at a place given in group coordinates.
using PlaceSlider = std::function<ParamSlider*(model::Member, QWidget*, const QRect&)>;

// Scale marks beside a vertical slider, top to bottom, right-aligned in the column
// [left, left + width). Without positions they are spread evenly over the slider's travel;
// positions are fractions of that travel (0 top, 1 bottom).
void marksDown(QWidget* group, const QStringList& texts, const QRect& slider, int left, int width,
               const QList<double>& positions = {});

// Row of groups under the toolbar.
void buildLevelers(QWidget* area, const PlaceSlider& place);
void buildOutputMix(QWidget* area, const PlaceSlider& place);
void buildOptimizer(QWidget* area, const PlaceSlider& place);

// The two full-height loudness groups; the +2 and -2 marks of the offset are the text boxes
// Text1 and Text2, which lie over the group.
void buildLoudness(QWidget* area, const PlaceSlider& place);

// The column of small groups at the lower left; returns the check box chkTurbo.
QCheckBox* buildLeftColumn(QWidget* area, const PlaceSlider& place);
void buildSpatialEnhancer(QWidget* area, const PlaceSlider& place);

// Returns the label lblTurboDens (hidden until the Turbo indication shows it).
QLabel* buildLimiters(QWidget* area, const PlaceSlider& place);

} // namespace panel

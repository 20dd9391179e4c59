#include "app/frmMain.h"

#include "app/PanelHistory.h"
#include "app/ParamSlider.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QSignalBlocker>

using model::Member;

namespace {

// chkTurbo holds 0 clear, 1 checked, 2 greyed; Qt numbers its states differently
// (1 is partial, 2 is checked), so the two are mapped name by name.
Qt::CheckState toCheckState(int v)
{
    switch (v) {
    case 1:
        return Qt::Checked;
    case 2:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

int fromCheckState(Qt::CheckState s)
{
    switch (s) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

} // namespace

// The parameter set is the truth; the widgets mirror it. Operator input goes into the set (and
// through its change rules); every change of the set, whoever made it, comes back to the widget.
void frmMain::bindParameterSet()
{
    for (int i = 0; i < model::kSliderCount; ++i) {
        const Member m = model::memberAt(i);
        ParamSlider* s = m_sliders[i];
        s->showParamValue(params().value(m));
        connect(s, &ParamSlider::paramValueChanged, this, [this, m](int v) {
            params().assign(m, v); // a slider holds 0..255 only
            m_history->commitSlider(m);
        });
        // A drag is one step, and so is a run of key presses; pressing or letting go of the
        // thumb starts a new one.
        connect(s, &ParamSlider::sliderPressed, m_history, &PanelHistory::endRun);
        connect(s, &ParamSlider::sliderReleased, m_history, &PanelHistory::endRun);
    }

    chkTurbo->setCheckState(toCheckState(params().value(Member::chkTurbo)));
    connect(chkTurbo, &QCheckBox::stateChanged, this, [this](int state) {
        params().assign(Member::chkTurbo, fromCheckState(static_cast<Qt::CheckState>(state)));
        m_history->commit(params().value(Member::chkTurbo) != 0 ? QStringLiteral("Space ON on")
                                                                : QStringLiteral("Space ON off"));
    });
    // Focus moving elsewhere ends a run of key presses on a slider.
    connect(qApp, &QApplication::focusChanged, m_history, &PanelHistory::endRun);

    for (const Member m : {Member::Space, Member::Digin, Member::Daynight, Member::AutoDensity}) {
        flagAction(m)->setChecked(params().flag(m));
    }

    connect(&params(), &model::ParameterSet::changed, this, [this](Member m, int v) {
        if (model::isSlider(m)) {
            slider(m)->showParamValue(v);
        } else if (m == Member::chkTurbo) {
            const QSignalBlocker quiet(chkTurbo);
            chkTurbo->setCheckState(toCheckState(v));
        } else if (QAction* action = flagAction(m)) {
            // Only the mark: the Turbo indication is applied where the program says so.
            action->setChecked(v != 0);
        }
    });
}

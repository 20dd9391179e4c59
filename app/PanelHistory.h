#pragma once

#include "model/ParameterSet.h"

#include <QObject>
#include <QUndoStack>

#include <optional>

// Undo and redo of the panel's values. Every operator step that changes the panel (a slider run,
// an option, a factory sound, a file, a preset key, an upload, the exact parameters window, the
// compare window) commits one step: the values before and after. Undo and redo put the values
// back as they stood, without the change rules (bass density does not follow density again),
// and change the panel only: nothing goes to the processor.
class PanelHistory : public QObject
{
    Q_OBJECT

public:
    explicit PanelHistory(model::ParameterSet& params, QObject* parent = nullptr);

    QUndoStack& stack() { return m_stack; }

    // The panel as it stands is the start: nothing before it can be undone.
    void reset();
    // One step under this label, if the panel changed since the last step.
    void commit(const QString& label);
    // A slider moved: one step per drag or per run of key presses on one slider.
    void commitSlider(model::Member member);
    // The slider run in progress ends (the slider was pressed or released, or lost focus).
    void endRun();

    // Puts the values of a step back (undo and redo).
    void restore(const model::ParameterSet::Values& values);

Q_SIGNALS:
    // After undo or redo: the panel's values before and after.
    void restored(const model::ParameterSet::Values& from, const model::ParameterSet::Values& to);

private:
    void push(const QString& label, int mergeId);

    model::ParameterSet& m_params;
    model::ParameterSet::Values m_committed{};
    QUndoStack m_stack;
    std::optional<model::Member> m_run;
    int m_runNumber = 0;
};

#include "app/PanelHistory.h"

#include <QUndoCommand>

namespace {

using Values = model::ParameterSet::Values;

// Slider steps merge while one run goes on; other steps never merge.
constexpr int kSliderStep = 1;

class ValuesStep : public QUndoCommand
{
public:
    ValuesStep(PanelHistory& history, const QString& label, const Values& before,
               const Values& after, int run)
        : QUndoCommand(label), m_history(history), m_before(before), m_after(after), m_run(run)
    {}

    int id() const override { return m_run >= 0 ? kSliderStep : -1; }
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = static_cast<const ValuesStep*>(other);
        if (next->m_run != m_run || next->text() != text()) {
            return false;
        }
        m_after = next->m_after;
        setObsolete(m_after == m_before);
        return true;
    }
    void undo() override { m_history.restore(m_before); }
    void redo() override
    {
        // Pushed after the change was made: the first redo has nothing to do.
        if (m_done) {
            m_history.restore(m_after);
        }
        m_done = true;
    }

private:
    PanelHistory& m_history;
    Values m_before;
    Values m_after;
    int m_run;
    bool m_done = false;
};

QString text(std::string_view v)
{
    return QString::fromLatin1(v.data(), static_cast<qsizetype>(v.size()));
}

} // namespace

PanelHistory::PanelHistory(model::ParameterSet& params, QObject* parent)
    : QObject(parent), m_params(params), m_committed(params.values())
{}

void PanelHistory::reset()
{
    m_stack.clear();
    m_committed = m_params.values();
    endRun();
}

void PanelHistory::commit(const QString& label)
{
    endRun();
    push(label, -1);
}

void PanelHistory::commitSlider(model::Member member)
{
    if (m_run != member) {
        endRun();
        m_run = member;
    }
    push(QStringLiteral("Move %1").arg(text(model::info(member).meaning)), m_runNumber);
}

void PanelHistory::endRun()
{
    if (m_run) {
        m_run.reset();
        ++m_runNumber;
    }
}

void PanelHistory::push(const QString& label, int run)
{
    const Values now = m_params.values();
    if (now == m_committed) {
        return;
    }
    m_stack.push(new ValuesStep(*this, label, m_committed, now, run));
    m_committed = now;
}

void PanelHistory::restore(const Values& values)
{
    const Values from = m_params.values();
    endRun();
    m_params.restore(values);
    m_committed = values;
    Q_EMIT restored(from, values);
}

#pragma once

#include "model/Members.h"

#include <QDialog>
#include <QString>

#include <array>
#include <optional>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class PrintTarget;
class Prompts;

namespace session {
class PanelSession;
}

namespace para {

inline constexpr int kRowCount = 32;

// Frames of the window. Window means no frame: the control lies on the window itself.
enum class Frame : quint8
{
    Levelers,
    EQ,
    ReleaseTimes,
    OutputMix,
    OptimizerExpanders,
    Window,
    Options,
    SpatialEnhancer,
    LftHft,
};

struct RowText
{
    int row;             // load and transfer order, 1..32
    const char* control; // object name of the box or check box
    const char* caption; // text beside it
    Frame frame;         // frame that holds the caption
};

const std::array<RowText, kRowCount>& rows();
QString frameCaption(Frame frame);
// The parameter-set member that row mirrors.
model::Member memberOfRow(int row);
bool isCheckRow(int row);

// The operator's text as a 16-bit integer: blanks around it ignored, a fraction rounded to
// the nearest integer with halves to the even neighbour. Nothing for text that is not a
// number or lies outside -32768..32767.
std::optional<int> toInt16(const QString& text);

} // namespace para

// The exact parameters window: every value of the panel as a number to read, edit, send back,
// export and print. Created afresh each time it opens.
class Para : public QDialog
{
    Q_OBJECT

public:
    // printer: where Print goes; null for the system's default printer.
    Para(session::PanelSession& session, Prompts& prompts, PrintTarget* printer,
         QWidget* parent = nullptr);

    // Fills the boxes from the main window.
    void Form_Load();

    void SendBack_Click();
    void cmdUlozAct_Click();
    void Print_Click();
    void Back_Click();

    QLineEdit* box(int row) const { return m_boxes[row - 1]; }
    QCheckBox* check(int row) const { return m_checks[row - 1]; }

    QLabel* lblOrvex = nullptr;
    QPlainTextEdit* txtMemo = nullptr;
    QGroupBox* frameLimiters = nullptr;
    QGroupBox* FrameEQ = nullptr;
    QPushButton* SendBack = nullptr;
    QPushButton* cmdUlozAct = nullptr;
    QPushButton* Print = nullptr;
    QPushButton* Back = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Para_layout.cpp
    void buildWindow();
    QGroupBox* buildFrame(para::Frame frame, QWidget* parent);
    void addRow(const para::RowText& text, QGroupBox* group, QGridLayout* windowGrid);
    void placeGateBox();

    void clampGate();
    // Writes one row into the main window; false when the row's text is refused.
    bool transferRow(int row);

    session::PanelSession& m_session;
    Prompts& m_prompts;
    PrintTarget* m_printer = nullptr;
    std::array<QLineEdit*, para::kRowCount> m_boxes{};
    std::array<QCheckBox*, para::kRowCount> m_checks{};
    // Holds the place of the gate box inside the levelers frame; the box itself lies on the
    // window and follows this slot.
    QWidget* m_gateSlot = nullptr;
};

#include "dialogs/Para.h"

#include "session/PanelSession.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using para::Frame;

namespace {

constexpr int kFrameCount = static_cast<int>(Frame::LftHft) + 1;

const char* frameObjectName(Frame frame)
{
    switch (frame) {
    case Frame::Levelers:
        return "FrameLevelers";
    case Frame::EQ:
        return "FrameEQ";
    case Frame::ReleaseTimes:
        return "FrameRelease";
    case Frame::OutputMix:
        return "FrameOutputMix";
    case Frame::OptimizerExpanders:
        return "FrameOptimizer";
    case Frame::Window:
        return "";
    case Frame::Options:
        return "FrameOptions";
    case Frame::SpatialEnhancer:
        return "FrameSpatial";
    case Frame::LftHft:
        return "FrameLftHft";
    }
    return "";
}

QPushButton* makeButton(const char* name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    // Enter in a box must not send half-finished edits back; buttons answer to Space.
    button->setAutoDefault(false);
    return button;
}

} // namespace

QGroupBox* Para::buildFrame(Frame frame, QWidget* parent)
{
    auto* group = new QGroupBox(para::frameCaption(frame), parent);
    group->setObjectName(QLatin1String(frameObjectName(frame)));
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(0, 1);
    return group;
}

void Para::buildWindow()
{
    setObjectName(QStringLiteral("Para"));
    setWindowTitle(QStringLiteral(" Orvex DAB+ List/Export/Print/ Edit exact parameters"));

    lblOrvex = new QLabel(QStringLiteral("Orvex DAB+"), this);
    lblOrvex->setObjectName(QStringLiteral("lblOrvex"));
    QFont titleFont = lblOrvex->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.8);
    titleFont.setBold(true);
    lblOrvex->setFont(titleFont);

    std::array<QGroupBox*, kFrameCount> frames{};
    auto frameAt = [&frames](Frame f) -> QGroupBox*& { return frames[static_cast<int>(f)]; };

    frameAt(Frame::Levelers) = buildFrame(Frame::Levelers, this);
    frameLimiters = new QGroupBox(QStringLiteral("Limiters "), this);
    frameLimiters->setObjectName(QStringLiteral("frameLimiters"));
    FrameEQ = buildFrame(Frame::EQ, frameLimiters);
    frameAt(Frame::EQ) = FrameEQ;
    frameAt(Frame::ReleaseTimes) = buildFrame(Frame::ReleaseTimes, frameLimiters);
    frameAt(Frame::OutputMix) = buildFrame(Frame::OutputMix, this);
    frameAt(Frame::OptimizerExpanders) = buildFrame(Frame::OptimizerExpanders, this);
    frameAt(Frame::Options) = buildFrame(Frame::Options, this);
    frameAt(Frame::SpatialEnhancer) = buildFrame(Frame::SpatialEnhancer, this);
    frameAt(Frame::LftHft) = buildFrame(Frame::LftHft, this);

    // The LUFS offset lies on the window itself, outside every frame.
    auto* offsetRow = new QGridLayout;
    offsetRow->setColumnStretch(0, 1);
    offsetRow->setContentsMargins(11, 0, 11, 0);

    m_gateSlot = new QWidget(frameAt(Frame::Levelers));
    m_gateSlot->setObjectName(QStringLiteral("gateSlot"));
    for (const para::RowText& text : para::rows()) {
        QGroupBox* group = frameAt(text.frame);
        addRow(text, group, group != nullptr ? nullptr : offsetRow);
    }
    m_gateSlot->setFixedSize(box(1)->sizeHint().width(), box(1)->sizeHint().height());
    m_gateSlot->installEventFilter(this);
    frameAt(Frame::Levelers)->installEventFilter(this);

    txtMemo = new QPlainTextEdit(QStringLiteral(" Write notes here please !"), this);
    txtMemo->setObjectName(QStringLiteral("txtMemo"));
    txtMemo->setAccessibleName(QStringLiteral("Notes"));
    txtMemo->setTabChangesFocus(true);
    txtMemo->setFixedHeight(txtMemo->fontMetrics().lineSpacing() * 4 + 12);

    SendBack = makeButton("SendBack", QStringLiteral("Send edited parameters to main panel"), this);
    cmdUlozAct = makeButton("cmdUlozAct",
                            QStringLiteral("Export parameters ") +
                                QDir::toNativeSeparators(m_session.exportFilePath()),
                            this);
    Print = makeButton("Print", QStringLiteral("Print"), this);
    Back = makeButton("Back", QStringLiteral("Exit"), this);
    connect(SendBack, &QPushButton::clicked, this, &Para::SendBack_Click);
    connect(cmdUlozAct, &QPushButton::clicked, this, &Para::cmdUlozAct_Click);
    connect(Print, &QPushButton::clicked, this, &Para::Print_Click);
    connect(Back, &QPushButton::clicked, this, &Para::Back_Click);

    auto* limiters = new QHBoxLayout(frameLimiters);
    limiters->addWidget(FrameEQ);
    limiters->addWidget(frameAt(Frame::ReleaseTimes));

    auto* left = new QVBoxLayout;
    left->addWidget(frameAt(Frame::Levelers));
    left->addWidget(frameLimiters);
    left->addStretch();
    auto* middle = new QVBoxLayout;
    middle->addWidget(frameAt(Frame::OutputMix));
    middle->addWidget(frameAt(Frame::OptimizerExpanders));
    middle->addLayout(offsetRow);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(frameAt(Frame::Options));
    right->addWidget(frameAt(Frame::SpatialEnhancer));
    right->addWidget(frameAt(Frame::LftHft));
    right->addStretch();

    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SendBack);
    buttons->addWidget(cmdUlozAct);
    buttons->addStretch();
    buttons->addWidget(Print);
    buttons->addWidget(Back);

    auto* page = new QVBoxLayout(this);
    page->addWidget(lblOrvex, 0, Qt::AlignHCenter);
    page->addLayout(columns);
    page->addWidget(txtMemo);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);
}

void Para::addRow(const para::RowText& text, QGroupBox* group, QGridLayout* windowGrid)
{
    QGridLayout* grid = group != nullptr ? static_cast<QGridLayout*>(group->layout()) : windowGrid;
    QWidget* holder = group != nullptr ? static_cast<QWidget*>(group) : this;
    const int index = text.row - 1;
    const int line = grid->count() == 0 ? 0 : grid->rowCount();
    const QString caption = QLatin1String(text.caption);
    const QString description = para::frameCaption(text.frame).trimmed();

    if (para::isCheckRow(text.row)) {
        auto* check = new QCheckBox(caption, holder);
        check->setObjectName(QLatin1String(text.control));
        check->setAccessibleName(caption);
        check->setAccessibleDescription(description);
        grid->addWidget(check, line, 0, 1, 2);
        m_checks[index] = check;
        return;
    }

    auto* label = new QLabel(caption, holder);
    label->setObjectName(QStringLiteral("lbl") + QLatin1String(text.control).mid(3));
    // The gate box lies on the window; only its caption sits in the levelers frame.
    auto* edit = new QLineEdit(text.row == 1 ? static_cast<QWidget*>(this) : holder);
    edit->setObjectName(QLatin1String(text.control));
    edit->setAccessibleName(caption);
    edit->setAccessibleDescription(description);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-32768")) + 16);
    edit->setAlignment(Qt::AlignRight);
    label->setBuddy(edit);
    grid->addWidget(label, line, 0);
    grid->addWidget(text.row == 1 ? m_gateSlot : edit, line, 1);
    m_boxes[index] = edit;
}

void Para::placeGateBox()
{
    if (m_gateSlot == nullptr || box(1) == nullptr) {
        return;
    }
    box(1)->setGeometry(QRect(m_gateSlot->mapTo(this, QPoint(0, 0)), m_gateSlot->size()));
    box(1)->raise();
}

bool Para::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        placeGateBox();
    }
    return QDialog::eventFilter(watched, event);
}

void Para::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeGateBox();
}

void Para::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeGateBox();
}

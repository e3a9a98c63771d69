// The "Options" tab: where the status page is, how often it is polled, how
// the readings are kept, and the designer of the tray icon.
#include "ControlLayout.h"
#include "core/reading/Extraction.h"
#include "core/settings/Palette.h"
#include "core/settings/Settings.h"
#include "window/form/CaptionLabel.h"
#include "window/form/ColorSwatch.h"
#include "window/form/ControlBuilding.h"
#include "window/form/PaletteGrid.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

using talvor::checkBox;
using talvor::named;

namespace {

QLabel *caption(const QString &text, QWidget *parent, QWidget *buddy = nullptr)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    // A screen reader names the control after its caption.
    label->setBuddy(buddy);
    return label;
}

QLineEdit *numberBox(QWidget *parent, const char *name)
{
    auto *box = named(new QLineEdit(parent), name);
    // Room for "1000" in whatever font the desktop uses.
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    return box;
}

// A form row of a box with a button after it, captioned for the box.
void addBoxAndButton(QFormLayout &form, const QString &caption, QLineEdit *box, QPushButton *button)
{
    auto *row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(button);
    auto *label = new QLabel(caption, box->parentWidget());
    // The field is a row of two controls, so the form cannot name it itself.
    label->setBuddy(box);
    form.addRow(label, row);
}

// For a modem whose page is not the satellite modem's: how its reading is
// found, and the login it asks for.
QWidget *buildReading(QWidget *panel, FormControls &c)
{
    auto *group = named(new QGroupBox(QStringLiteral("Reading"), panel), "ReadingFrame");
    auto *form = new QFormLayout(group);
    form->setContentsMargins(6, 2, 6, 4);
    c.ReadingRule = named(new QComboBox(group), "ReadingRule");
    const QList<std::pair<talvor::ReadingRule::Kind, QString>> rules{
        {talvor::ReadingRule::Three, QStringLiteral("The three characters after the search text")},
        {talvor::ReadingRule::Number, QStringLiteral("The whole number after the search text")},
        {talvor::ReadingRule::Regex, QStringLiteral("The first ( ) group of a regular expression")},
        {talvor::ReadingRule::Json, QStringLiteral("The value at a JSON pointer")},
    };
    for (const auto &[kind, words] : rules)
        c.ReadingRule->addItem(words, int(kind));
    c.ReadingRule->setToolTip(QStringLiteral("How the reading is found in the page. The number rule takes a sign and "
                                             "decimals; the last two search the whole page."));
    // A long entry must not widen the column past the designer.
    c.ReadingRule->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c.ReadingRule->setMinimumContentsLength(16);
    form->addRow(QStringLiteral("Rule:"), c.ReadingRule);
    c.ReadingPattern = named(new QLineEdit(group), "ReadingPattern");
    c.ReadingPattern->setPlaceholderText(QStringLiteral("SNR: (-?[0-9.]+)  or  /signal/snr"));
    c.ReadingPattern->setToolTip(QStringLiteral("A regular expression whose first group is the number, or a JSON "
                                                "pointer such as /signal/snr."));
    c.ModemLogin = named(new QPushButton(QStringLiteral("Login\u2026"), group), "ModemLogin");
    c.ModemLogin->setToolTip(QStringLiteral("The user name and password the modem's page asks for."));
    addBoxAndButton(*form, QStringLiteral("Pattern:"), c.ReadingPattern, c.ModemLogin);
    c.ModemValues = named(new QPushButton(QStringLiteral("Values\u2026"), group), "ModemValues");
    c.ModemValues->setToolTip(QStringLiteral("More numbers from the same page (Es/No, transmit power, RSRQ), "
                                             "each named, recorded, shared and watched."));
    form->addRow(QString(), c.ModemValues);
    return group;
}

QLayout *buildSettings(QWidget *panel, FormControls &c)
{
    auto *column = new QVBoxLayout;

    auto *source = new QFormLayout;
    c.txtURL = named(new QLineEdit(panel), "txtURL");
    c.txtURL->setToolTip(QStringLiteral("Change this to find correct URL for Status."));
    source->addRow(QStringLiteral("URL to the summary page."), c.txtURL);
    c.SearchText = named(new QLineEdit(panel), "SearchText");
    c.SearchText->setToolTip(QStringLiteral("Put text that proceeds SS in here."));
    c.GetHtml_button = named(new QPushButton(QStringLiteral("Get File"), panel), "GetHtml_button");
    c.GetHtml_button->setToolTip(QStringLiteral("Click here to retrieve summary page."));
    addBoxAndButton(*source, QStringLiteral("Text preceding SS value:"), c.SearchText, c.GetHtml_button);
    column->addLayout(source);

    auto *numbers = new QGridLayout;
    c.EnableAutoCheck = checkBox(panel, "EnableAutoCheck", QStringLiteral("Enable Auto Check"));
    numbers->addWidget(c.EnableAutoCheck, 0, 0, 1, 3);
    c.HScroll1 = named(new QScrollBar(Qt::Horizontal, panel), "HScroll1");
    c.HScroll1->setRange(1, 600);
    c.HScroll1->setSingleStep(1);
    c.HScroll1->setPageStep(5);
    // Dragging reports the value once, on release, so the snapping to whole
    // seconds does not fight the mouse.
    c.HScroll1->setTracking(false);
    c.HScroll1->setMinimumWidth(150);
    // Reachable with Tab and moved with the arrow keys, like every other
    // setting; QScrollBar would have Right and PageUp make the interval shorter.
    c.HScroll1->setFocusPolicy(Qt::StrongFocus);
    c.HScroll1->setInvertedControls(false);
    numbers->addWidget(c.HScroll1, 1, 0);
    c.DisplaySec = named(new QLabel(QStringLiteral("5.0"), panel), "DisplaySec");
    c.DisplaySec->setMinimumWidth(34);
    c.DisplaySec->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    numbers->addWidget(c.DisplaySec, 1, 1);
    numbers->addWidget(caption(QStringLiteral("Seconds between automatic status checks"), panel, c.HScroll1), 1, 2);
    // The refresh value in tenths is what the settings file keeps; users see seconds.
    c.M_refresh_rate = named(new CaptionLabel(QStringLiteral("50"), panel), "M_refresh_rate");
    c.M_refresh_rate->hide();
    numbers->addWidget(caption(QStringLiteral("Histogram "), panel), 2, 0, 1, 3);
    c.SShistoryLen = numberBox(panel, "SShistoryLen");
    numbers->addWidget(c.SShistoryLen, 3, 0, Qt::AlignRight);
    numbers->addWidget(caption(QStringLiteral("Number of  Events to display in Histogram"), panel, c.SShistoryLen), 3,
                       1, 1, 2);
    c.ssThreshold = numberBox(panel, "ssThreshold");
    numbers->addWidget(c.ssThreshold, 4, 0, Qt::AlignRight);
    numbers->addWidget(
        caption(QStringLiteral("Threshold at which bars change from red to green"), panel, c.ssThreshold), 4, 1, 1, 2);
    numbers->setColumnStretch(2, 1);
    column->addLayout(numbers);

    c.MinimizeStartup = checkBox(panel, "MinimizeStartup", QStringLiteral("Minimize to System Tray on Startup"),
                                 QStringLiteral("Turn this on to have Talvor start up in the System Tray."));
    c.ShowInSystemTray =
        checkBox(panel, "ShowInSystemTray", QStringLiteral("Always Show in System Tray"),
                 QStringLiteral("Enable this to see what your Font and color selections look like in the System Tray. "
                                "Use this while designing your Icon, then turn it off for normal operation."));
    c.DoLogFile = checkBox(
        panel, "DoLogFile", QStringLiteral("Log to File:  YYYY_MM_DD_talvor_log.csv"),
        QStringLiteral("Enabling this will create a log file in the Talvor directory with YYYY_MM_DD_talvor.log file "
                       "name where YYYY equals year, MM equals month, DD equalsl date"));
    c.NotifyAlerts =
        checkBox(panel, "NotifyAlerts", QStringLiteral("Notify me when the signal drops or the modem stops answering"),
                 QStringLiteral("Shows a desktop notification from the tray icon when a reading falls to the threshold "
                                "or below, when it rises again, and when the modem stops or starts answering."));
    for (QCheckBox *box : {c.MinimizeStartup, c.ShowInSystemTray, c.DoLogFile, c.NotifyAlerts})
        column->addWidget(box);
    column->addWidget(buildReading(panel, c));
    column->addStretch();
    return column;
}

ColorSwatch *swatch(QWidget *parent, const char *name, const QString &tip, const QString &accessibleName)
{
    auto *box = named(new ColorSwatch(parent), name);
    box->setFixedSize(30, 30);
    box->setToolTip(tip);
    box->setAccessibleName(accessibleName);
    return box;
}

QWidget *buildPalette(QWidget *parent, FormControls &c)
{
    // Three blocks of 4 x 4 cells; neighbouring cells share their border line.
    constexpr int Cell = 17, Pitch = 16, Gap = 8, Block = 3 * Pitch + Cell;
    auto *palette = named(new PaletteGrid(12, 4, parent), "Palette");
    palette->setFixedSize(3 * Block + 2 * Gap, Block);
    palette->setAccessibleName(QStringLiteral("Icon colours"));
    palette->setToolTip(QStringLiteral("Arrow keys choose a colour; Enter sets the number colour, Shift+Enter the "
                                       "background; Enter twice on a custom colour changes it."));
    for (int block = 0; block < 3; ++block) {
        for (int row = 0; row < 4; ++row) {
            for (int col = 0; col < 4; ++col) {
                const int index = talvor::paletteLayout[block][row][col];
                auto *cell = new ColorSwatch(palette);
                cell->setObjectName(QStringLiteral("Color_%1").arg(index));
                cell->setGeometry(block * (Block + Gap) + col * Pitch, row * Pitch, Cell, Cell);
                cell->setColorValue(talvor::designedCellColor(index));
                cell->setAccessibleName(
                    index >= talvor::FirstCustomCell
                        ? QStringLiteral("Custom colour %1").arg(index - talvor::FirstCustomCell + 1)
                        : QStringLiteral("Colour %1").arg(index + 1));
                palette->setCell(block * 4 + col, row, cell);
                c.Color[size_t(index)] = cell;
            }
        }
    }
    return palette;
}

QWidget *buildDesigner(QWidget *panel, FormControls &c)
{
    auto *frame = new QGroupBox(QStringLiteral("Taskbar Icon Designer"), panel);
    c.Frame2 = named(frame, "Frame2");
    frame->setToolTip(QStringLiteral("Use these Controls to create a taskbar Icon you like."));
    auto *layout = new QVBoxLayout(frame);
    layout->setSpacing(4);

    auto *colours = new QGridLayout;
    colours->addWidget(caption(QStringLiteral("Text Color Left Click on Colors below"), frame), 0, 0);
    colours->addWidget(new QLabel(QStringLiteral("Icon"), frame), 0, 1, Qt::AlignHCenter | Qt::AlignBottom);
    colours->addWidget(caption(QStringLiteral("Back Ground Color Right Click on Colors below"), frame), 0, 2);
    // Each pair of swatches shares one place; only one pair is shown at a time.
    c.LeftColor = swatch(frame, "LeftColor", QStringLiteral("Choose text Color"), QStringLiteral("Number colour"));
    c.LeftColorBad = swatch(frame, "LeftColorBad", QStringLiteral("Choose text Color"),
                            QStringLiteral("Number colour below the threshold"));
    c.RightColor =
        swatch(frame, "RightColor", QStringLiteral("Choose background Color"), QStringLiteral("Background colour"));
    c.RightColorBad = swatch(frame, "RightColorBad", QStringLiteral("Choose background Color"),
                             QStringLiteral("Background colour below the threshold"));
    colours->addWidget(c.LeftColor, 1, 0, Qt::AlignHCenter);
    colours->addWidget(c.LeftColorBad, 1, 0, Qt::AlignHCenter);
    colours->addWidget(c.RightColor, 1, 2, Qt::AlignHCenter);
    colours->addWidget(c.RightColorBad, 1, 2, Qt::AlignHCenter);
    // A file without the below-threshold colours (or with 0 there) keeps these:
    // the defaults, never black on black.
    c.LeftColorBad->setColorValue(quint32(talvor::DefaultLeftColorBad));
    c.RightColorBad->setColorValue(quint32(talvor::DefaultRightColorBad));
    c.LeftColorBad->hide();
    c.RightColorBad->hide();
    c.Ikon = named(new QLabel(frame), "Ikon");
    c.Ikon->setFixedSize(32, 32);
    c.Ikon->setToolTip(QStringLiteral("This is a larger version of the Icon that will show up in the system tray."));
    c.Ikon->setAccessibleName(QStringLiteral("Icon preview"));
    QFont iconFont(QStringLiteral("Arial"));
    iconFont.setPointSizeF(15.75);
    c.Ikon->setFont(iconFont);
    colours->addWidget(c.Ikon, 1, 1, Qt::AlignCenter);
    colours->setColumnStretch(0, 1);
    colours->setColumnStretch(2, 1);
    layout->addLayout(colours);

    c.EnableBad =
        checkBox(frame, "EnableBad", QStringLiteral("Select Icon Colors Below Threshold"),
                 QStringLiteral("Click on this to change the colors of  icons with values less than the threshold."));
    layout->addWidget(c.EnableBad);
    layout->addWidget(buildPalette(frame, c), 0, Qt::AlignHCenter);

    c.Frame3 = named(new QGroupBox(QStringLiteral("Current Font"), frame), "Frame3");
    auto *fontLayout = new QVBoxLayout(c.Frame3);
    fontLayout->setContentsMargins(6, 2, 6, 4);
    c.Font_Selected = named(new QLabel(c.Frame3), "Font_Selected");
    c.Font_Selected->setToolTip(QStringLiteral("Select this to change the font used in making the Icon"));
    c.Font_Selected->setCursor(Qt::PointingHandCursor);
    // Enter or Space opens the font dialog, as a click does.
    c.Font_Selected->setFocusPolicy(Qt::StrongFocus);
    c.Font_Selected->setAccessibleName(QStringLiteral("Current Font"));
    fontLayout->addWidget(c.Font_Selected);
    layout->addWidget(c.Frame3);

    c.Simulate_Checkbox =
        checkBox(frame, "Simulate_Checkbox", QStringLiteral("Simulate Reading Signal Strength"),
                 QStringLiteral("Choose this to simulate random signal strengths. Enable Auto Check must be checked."));
    c.Step1to100SS = checkBox(
        frame, "Step1to100SS", QStringLiteral("Step 0-100 Signal Strength"),
        QStringLiteral("Choose this to step from 0 to 100 signal strengths. Enable Auto Check must be checked."));
    layout->addWidget(c.Simulate_Checkbox);
    layout->addWidget(c.Step1to100SS);
    layout->addStretch();
    return frame;
}

// Puts the designer beside the settings where the tab is wide enough for
// both, below them where it is not, so a narrow window scrolls one way only.
class Reflow : public QObject {
public:
    Reflow(QBoxLayout &layout, QScrollArea &area)
        : QObject(&area)
        , m_layout(layout)
    {
        area.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize) {
            // Decided on the area's whole width, room for a scroll bar kept:
            // a scroll bar coming and going must not flip the layout back.
            const auto *area = static_cast<QScrollArea *>(watched);
            int sideBySide = m_layout.contentsMargins().left() + m_layout.contentsMargins().right()
                + area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
            for (int i = 0; i < m_layout.count(); ++i)
                sideBySide += m_layout.itemAt(i)->minimumSize().width() + m_layout.spacing();
            const auto direction =
                area->contentsRect().width() >= sideBySide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
            if (m_layout.direction() != direction)
                m_layout.setDirection(direction);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QBoxLayout &m_layout;
};

} // namespace

void buildOptionsPanel(QWidget &frame, FormControls &c)
{
    // The tab scrolls when the window is smaller than what it holds, so a
    // large font or a small screen never cuts a caption.
    auto *scroll = new QScrollArea(&frame);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Tab goes to the controls, and the area follows the focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setAccessibleName(QStringLiteral("Options"));
    auto *outer = new QVBoxLayout(&frame);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    auto *panel = new QWidget(scroll);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(buildSettings(panel, c), 3);
    layout->addWidget(buildDesigner(panel, c), 2);
    scroll->setWidget(panel);
    new Reflow(*layout, *scroll);
}

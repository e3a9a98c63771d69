#include "FormControls.h"

#include "CaptionLabel.h"
#include "views/CrlfTextView.h"
#include "tray/ColorSwatch.h"
#include "views/ViewTabBar.h"
#include "acquisition/Transfer.h"
#include "history/HistogramChart.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, const QString &tip = {})
{
    auto *box = named(new QCheckBox(caption, parent), name);
    box->setToolTip(tip);
    return box;
}

void buildMenus(QMainWindow &window, FormControls &c)
{
    c.MenuFile = window.menuBar()->addMenu(QStringLiteral("&File"));
    c.MenuFile->setObjectName(QStringLiteral("MenuFile"));
    c.Save_Options = named(c.MenuFile->addAction(QStringLiteral("&Save Options")), "Save_Options");
    c.MenuFile->addSeparator();
    c.MenuExit = named(c.MenuFile->addAction(QStringLiteral("E&xit")), "MenuExit");
    c.MenuFile->addSeparator();
    c.menuresettodefault = named(c.MenuFile->addAction(QStringLiteral("Reset to Default")), "menuresettodefault");
}

QWidget *buildOptionsPanel(QWidget *panel, FormControls &c)
{
    auto *grid = new QGridLayout(panel);

    auto *source = new QGroupBox(panel);
    auto *sourceForm = new QFormLayout(source);
    c.txtURL = named(new QLineEdit(source), "txtURL");
    c.txtURL->setToolTip(QStringLiteral("Change this to find correct URL for Status."));
    sourceForm->addRow(QStringLiteral("URL to the summary page."), c.txtURL);
    c.SearchText = named(new QLineEdit(source), "SearchText");
    c.SearchText->setToolTip(QStringLiteral("Put text that proceeds SS in here."));
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(c.SearchText, 1);
    c.GetHtml_button = named(new QPushButton(QStringLiteral("Get File"), source), "GetHtml_button");
    c.GetHtml_button->setToolTip(QStringLiteral("Click here to retrieve summary page."));
    searchRow->addWidget(c.GetHtml_button);
    sourceForm->addRow(QStringLiteral("Text preceding SS value:"), searchRow);
    grid->addWidget(source, 0, 0, 1, 2);

    auto *polling = new QGroupBox(panel);
    auto *pollForm = new QGridLayout(polling);
    c.EnableAutoCheck = checkBox(polling, "EnableAutoCheck", QStringLiteral("Enable Auto Check"));
    pollForm->addWidget(c.EnableAutoCheck, 0, 0, 1, 3);
    c.HScroll1 = named(new QScrollBar(Qt::Horizontal, polling), "HScroll1");
    c.HScroll1->setRange(1, 600);
    c.HScroll1->setSingleStep(1);
    c.HScroll1->setPageStep(5);
    // Dragging reports the value once, on release, so the snapping to whole
    // seconds does not fight the mouse.
    c.HScroll1->setTracking(false);
    c.HScroll1->setMinimumWidth(160);
    pollForm->addWidget(c.HScroll1, 1, 0);
    c.DisplaySec = named(new QLabel(QStringLiteral("5.0"), polling), "DisplaySec");
    c.DisplaySec->setMinimumWidth(36);
    pollForm->addWidget(c.DisplaySec, 1, 1);
    pollForm->addWidget(new QLabel(QStringLiteral("Seconds between automatic status checks"), polling), 1, 2);
    // The refresh value in tenths is what the settings file keeps; users see seconds.
    c.M_refresh_rate = named(new CaptionLabel(QStringLiteral("50"), polling), "M_refresh_rate");
    c.M_refresh_rate->hide();

    c.SShistoryLen = named(new QLineEdit(polling), "SShistoryLen");
    c.SShistoryLen->setMaximumWidth(60);
    pollForm->addWidget(c.SShistoryLen, 2, 0, Qt::AlignLeft);
    pollForm->addWidget(new QLabel(QStringLiteral("Number of  Events to display in Histogram"), polling), 2, 1, 1, 2);
    c.ssThreshold = named(new QLineEdit(polling), "ssThreshold");
    c.ssThreshold->setMaximumWidth(60);
    pollForm->addWidget(c.ssThreshold, 3, 0, Qt::AlignLeft);
    pollForm->addWidget(new QLabel(QStringLiteral("Threshold at which bars change from red to green"), polling), 3, 1, 1, 2);
    grid->addWidget(polling, 1, 0);

    auto *switches = new QGroupBox(panel);
    auto *switchList = new QVBoxLayout(switches);
    c.MinimizeStartup = checkBox(switches, "MinimizeStartup", QStringLiteral("Minimize to System Tray on Startup"),
                                 QStringLiteral("Turn this on to have Talvor start up in the System Tray."));
    c.ShowInSystemTray = checkBox(switches, "ShowInSystemTray", QStringLiteral("Always Show in System Tray"),
                                  QStringLiteral("Enable this to see what your Font and color selections look like in the System Tray. Use this while designing your Icon, then turn it off for normal operation."));
    c.DoLogFile = checkBox(switches, "DoLogFile", QStringLiteral("Log to File:  YYYY_MM_DD_talvor_log.csv"),
                           QStringLiteral("Enabling this will create a log file in the Talvor directory with YYYY_MM_DD_talvor.log file name where YYYY equals year, MM equals month, DD equalsl date"));
    for (QCheckBox *box : {c.MinimizeStartup, c.ShowInSystemTray, c.DoLogFile})
        switchList->addWidget(box);
    switchList->addStretch();
    grid->addWidget(switches, 1, 1);

    c.Frame2 = named(new QGroupBox(QStringLiteral("Taskbar Icon Designer"), panel), "Frame2");
    c.Frame2->setToolTip(QStringLiteral("Use these Controls to create a taskbar Icon you like."));
    auto *designer = new QVBoxLayout(c.Frame2);
    c.Ikon = named(new QLabel(c.Frame2), "Ikon");
    c.Ikon->setFixedSize(32, 32);
    QFont iconFont(QStringLiteral("Arial"));
    iconFont.setPointSizeF(15.75);
    c.Ikon->setFont(iconFont);
    c.Ikon->setToolTip(QStringLiteral("This is a larger version of the Icon that will show up in the system tray."));
    designer->addWidget(c.Ikon);
    auto *swatches = new QHBoxLayout;
    c.LeftColor = named(new ColorSwatch(c.Frame2), "LeftColor");
    c.RightColor = named(new ColorSwatch(c.Frame2), "RightColor");
    c.LeftColorBad = named(new ColorSwatch(c.Frame2), "LeftColorBad");
    c.RightColorBad = named(new ColorSwatch(c.Frame2), "RightColorBad");
    for (ColorSwatch *swatch : {c.LeftColor, c.LeftColorBad, c.RightColor, c.RightColorBad})
        swatches->addWidget(swatch);
    designer->addLayout(swatches);
    c.Simulate_Checkbox = checkBox(c.Frame2, "Simulate_Checkbox", QStringLiteral("Simulate Reading Signal Strength"),
                                   QStringLiteral("Choose this to simulate random signal strengths. Enable Auto Check must be checked."));
    c.Step1to100SS = checkBox(c.Frame2, "Step1to100SS", QStringLiteral("Step 0-100 Signal Strength"),
                              QStringLiteral("Choose this to step from 0 to 100 signal strengths. Enable Auto Check must be checked."));
    designer->addWidget(c.Simulate_Checkbox);
    designer->addWidget(c.Step1to100SS);
    grid->addWidget(c.Frame2, 0, 2, 2, 1);
    grid->setColumnStretch(0, 1);
    return panel;
}

} // namespace

FormControls buildFormControls(QMainWindow &window)
{
    FormControls c;
    buildMenus(window, c);

    auto *central = new QWidget(&window);
    auto *layout = new QVBoxLayout(central);
    c.ChooseView = named(new ViewTabBar(central), "ChooseView");
    for (const char *caption : {"Signal Strength = 0  Histogram", "HTML", "Options", "Help - About"})
        c.ChooseView->addTab(QLatin1String(caption));
    c.ChooseView->setExpanding(false);
    layout->addWidget(c.ChooseView);

    // The four panels share one place; the tab strip shows one at a time.
    auto *stack = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        c.Frame1[i] = new QWidget(central);
        c.Frame1[i]->setObjectName(QStringLiteral("Frame1_%1").arg(i + 1));
        stack->addWidget(c.Frame1[i], 0, 0);
    }
    layout->addLayout(stack, 1);

    auto *chartLayout = new QVBoxLayout(c.Frame1[0]);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    c.MSChart1 = named(new HistogramChart(c.Frame1[0]), "MSChart1");
    chartLayout->addWidget(c.MSChart1);

    auto *htmlLayout = new QVBoxLayout(c.Frame1[1]);
    htmlLayout->setContentsMargins(0, 0, 0, 0);
    c.Info_HTML = named(new CrlfTextView(c.Frame1[1]), "Info_HTML");
    htmlLayout->addWidget(c.Info_HTML);

    buildOptionsPanel(c.Frame1[2], c);

    auto *helpLayout = new QVBoxLayout(c.Frame1[3]);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    c.HelpText = named(new CrlfTextView(c.Frame1[3]), "HelpText");
    c.HelpText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    helpLayout->addWidget(c.HelpText);

    c.Talvor = named(new QLabel(QStringLiteral("0"), central), "Talvor");
    c.Talvor->hide();
    c.AutoCheck = named(new QTimer(&window), "AutoCheck");
    c.Inet1 = named(new Transfer(&window), "Inet1");

    window.setCentralWidget(central);
    for (int i = 1; i < 4; ++i)
        c.Frame1[i]->hide();
    return c;
}

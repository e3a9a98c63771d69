#include "ControlLayout.h"

#include "monitor/Monitor.h"
#include "window/form/ControlBuilding.h"
#include "window/form/CrlfTextView.h"
#include "window/form/ViewTabBar.h"
#include "window/history/HistogramChart.h"

#include <QGridLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

using talvor::named;

namespace {

void buildMenus(QMainWindow &window, FormControls &c)
{
    c.MenuFile = named(window.menuBar()->addMenu(QStringLiteral("&File")), "MenuFile");
    c.Save_Options = named(c.MenuFile->addAction(QStringLiteral("&Save Options")), "Save_Options");
    c.MenuFile->addSeparator();
    c.MenuExit = named(c.MenuFile->addAction(QStringLiteral("E&xit")), "MenuExit");
    c.MenuFile->addSeparator();
    c.menuresettodefault = named(c.MenuFile->addAction(QStringLiteral("Reset to Default")), "menuresettodefault");
    c.MenuFile->addSeparator();
    c.MenuSharing = named(c.MenuFile->addAction(QStringLiteral("S&haring\u2026")), "MenuSharing");
    c.MenuAim = named(c.MenuFile->addAction(QStringLiteral("&Aim the Dish\u2026")), "MenuAim");
    c.MenuLogin = named(c.MenuFile->addAction(QStringLiteral("&Modem Login\u2026")), "MenuLogin");
    c.StartAtLogin = named(c.MenuFile->addAction(QStringLiteral("Start at &Login")), "StartAtLogin");
    c.StartAtLogin->setCheckable(true);

    c.RCPopup = named(new QMenu(QStringLiteral("RCPopup"), &window), "RCPopup");
    c.MyExit = named(c.RCPopup->addAction(QStringLiteral("Exit")), "MyExit");
    c.RCPopup->addSeparator();
    c.Rest1 = named(c.RCPopup->addAction(QStringLiteral("Restore Talvor Signal Strength Monitor")), "Rest1");
    c.MyMenuHide = named(c.RCPopup->addAction(QStringLiteral("Hide this Menu")), "MyMenuHide");
    c.RCPopup->addSeparator();
    c.AimTray = named(c.RCPopup->addAction(QStringLiteral("Aim the Dish\u2026")), "AimTray");
    c.PausePolling = named(c.RCPopup->addMenu(QStringLiteral("Pause Polling")), "PausePolling");
    c.Pause15 = named(c.PausePolling->addAction(QStringLiteral("For 15 Minutes")), "Pause15");
    c.Pause60 = named(c.PausePolling->addAction(QStringLiteral("For 1 Hour")), "Pause60");
    c.PauseUntilResumed = named(c.PausePolling->addAction(QStringLiteral("Until Resumed")), "PauseUntilResumed");
    c.ResumePolling = named(c.RCPopup->addAction(QStringLiteral("Resume Polling")), "ResumePolling");
    c.ResumePolling->setEnabled(false);
}

// A panel whose one control fills it.
template <typename W> W *filling(QWidget *panel, W *widget)
{
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(widget);
    return widget;
}

} // namespace

FormControls buildFormControls(QMainWindow &window, Monitor &monitor)
{
    FormControls c;
    buildMenus(window, c);

    auto *central = new QWidget(&window);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(0);
    c.ChooseView = named(new ViewTabBar(central), "ChooseView");
    for (const char *caption : {"Signal Strength = 0  Histogram", "HTML", "Options", "Help - About", "Timeline"})
        c.ChooseView->addTab(QLatin1String(caption));
    c.ChooseView->setExpanding(false);
    c.ChooseView->setElideMode(Qt::ElideNone);
    layout->addWidget(c.ChooseView);

    // The four panels share one place; the tab strip shows one at a time.
    auto *stack = new QGridLayout;
    for (int i = 0; i < int(c.Frame1.size()); ++i) {
        c.Frame1[size_t(i)] = new QWidget(central);
        c.Frame1[size_t(i)]->setObjectName(QStringLiteral("Frame1_%1").arg(i + 1));
        stack->addWidget(c.Frame1[size_t(i)], 0, 0);
    }
    layout->addLayout(stack, 1);

    c.MSChart1 = filling(c.Frame1[0], named(new HistogramChart(c.Frame1[0]), "MSChart1"));
    c.MSChart1->setAccessibleName(QStringLiteral("Signal strength histogram"));
    c.Info_HTML = filling(c.Frame1[1], named(new CrlfTextView(c.Frame1[1]), "Info_HTML"));
    c.Info_HTML->setAccessibleName(QStringLiteral("Status page and request log"));
    buildOptionsPanel(*c.Frame1[2], c);
    c.HelpText = filling(c.Frame1[3], named(new CrlfTextView(c.Frame1[3]), "HelpText"));
    c.HelpText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    c.HelpText->setAccessibleName(QStringLiteral("Help"));

    c.Talvor = named(new QLabel(QStringLiteral("0"), central), "Talvor");
    c.Talvor->hide();
    c.AutoCheck = &monitor.pollTimer();
    c.Inet1 = &monitor.Inet1();

    window.setCentralWidget(central);
    for (size_t i = 1; i < c.Frame1.size(); ++i)
        c.Frame1[i]->hide();
    return c;
}

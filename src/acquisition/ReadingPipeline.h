#pragma once

#include <QString>
#include <functional>

struct FormState;
class QWidget;
class QTabBar;
class QLabel;

// What every new reading does, whether it came from the modem or a test mode:
// the producer puts the reading into the label Talvor, then calls
// ProcessNewReading.
class ReadingPipeline {
public:
    // The later consumers, filled in by the window as it wires its parts.
    struct Steps {
        std::function<void()> showIcon;      // large preview of IconIndex
        std::function<void()> UpdateData;    // history and tray icon
        std::function<void()> FillChart;     // histogram
        std::function<void()> WriteLogLine;  // daily log
    };

    ReadingPipeline(FormState &form, QWidget &window, QTabBar &ChooseView, QLabel &Talvor);

    void ProcessNewReading();
    QString ReadingText() const;
    Steps steps;

    // "Signal Strength =  57  Histogram": the reading right-aligned in three places.
    static QString histogramTabCaption(const QString &reading);

private:
    FormState &m_form;
    QWidget &m_window;
    QTabBar &m_tabs;
    QLabel &m_reading;
};

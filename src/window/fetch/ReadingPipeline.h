#pragma once

#include <QObject>
#include <QString>

namespace talvor {
struct FormState;
}
class QWidget;
class QTabBar;
class QLabel;

// What every new reading does, whether it came from the modem or a test mode:
// the producer puts the reading into the label Talvor, then calls
// ProcessNewReading. Title and tab caption come first, then the later steps
// in a fixed order, each told by a signal of its own.
class ReadingPipeline : public QObject {
    Q_OBJECT
public:
    ReadingPipeline(talvor::FormState &form, QWidget &window, QTabBar &ChooseView, QLabel &Talvor,
                    QObject *parent = nullptr);

    void ProcessNewReading();
    QString ReadingText() const;

    // "Signal Strength =  57  Histogram": the reading right-aligned in three places.
    static QString histogramTabCaption(const QString &reading);

signals:
    void iconDue();    // the large preview of IconIndex
    void historyDue(); // the history, and the tray icon
    void chartDue();   // the histogram
    void logDue();     // the daily log

private:
    talvor::FormState &m_form;
    QWidget &m_window;
    QTabBar &m_tabs;
    QLabel &m_reading;
};

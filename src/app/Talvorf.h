#pragma once

#include "FormControls.h"
#include "core/FormState.h"

#include <QMainWindow>
#include <memory>

class StatusFetch;
class ReadingPipeline;

// The one main window: it owns every control and the form-level state, and
// wires the subsystems that hold the controls' handlers.
class Talvorf : public QMainWindow {
    Q_OBJECT
public:
    explicit Talvorf(QWidget *parent = nullptr);
    ~Talvorf() override;

    FormState form;
    FormControls c;

    StatusFetch &fetch() { return *m_fetch; }
    ReadingPipeline &pipeline() { return *m_pipeline; }
    void ProcessNewReading();

private:
    std::unique_ptr<ReadingPipeline> m_pipeline;
    StatusFetch *m_fetch = nullptr;
};

#pragma once

#include "monitor/sharing/SharingSettings.h"

#include <QDialog>

class QLabel;
class QLineEdit;

// "Sharing…": where the numbers go, edited and applied at once.
class SharingDialog : public QDialog {
    Q_OBJECT
public:
    explicit SharingDialog(QWidget *parent = nullptr);

    void setSettings(const SharingSettings &settings);
    SharingSettings settings() const;
    // What went wrong when the settings were last applied; empty hides the line.
    void showProblems(const QStringList &problems);

signals:
    void saveRequested();

private:
    QLineEdit *m_listen;
    QLineEdit *m_broker;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLineEdit *m_topic;
    QLineEdit *m_discovery;
    QLabel *m_problems;
};

#pragma once

#include <QString>

#include <atomic>

class RecordStore;

struct ImportResult {
    int files = 0; // files read, in whole or from where the last import ended
    qint64 lines = 0;
    qint64 skipped = 0;   // malformed or torn lines
    bool stopped = false; // asked to stop, or the record refused a write
    QString problem;      // why the record refused, in words
};

// Folds the daily logs of `folder` (yyyy_mm_dd_talvor_log.csv, from this
// program or any other writing that format) into the record, each line once:
// the record remembers each file's size, time and how far it was read, so a
// log that grew is read on from there. Lines at minutes the program recorded
// itself are left out. A log that shrank or whose bytes before that point
// changed was replaced: its minutes are taken out and it is read again from
// the start. Files are read a slice at a time, each slice written with how
// far it reached, so `stop` ends the work within a slice and the next import
// goes on from there. Runs on whichever thread owns the store.
ImportResult importLogs(RecordStore &store, const QString &folder, const std::atomic<bool> *stop = nullptr);

#pragma once

#include <QString>

class RecordStore;

struct ImportResult {
    int files = 0; // files read, in whole or from where the last import ended
    qint64 lines = 0;
    qint64 skipped = 0; // malformed or torn lines
};

// Folds the daily logs of `folder` (yyyy_mm_dd_talvor_log.csv, from this
// program or any other writing that format) into the record, each line once:
// the record remembers each file's size, time and how far it was read, so a
// log that grew is read on from there. Lines at minutes the program recorded
// itself are left out. Runs on whichever thread owns the store.
ImportResult importLogs(RecordStore &store, const QString &folder, double threshold);

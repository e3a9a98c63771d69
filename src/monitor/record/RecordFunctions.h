#pragma once

struct sqlite3;

// MinuteRow::isOutage, as the record's SQL calls it.
#define TALVOR_OUTAGE "outage(readings, failures)"

// The record's rules as SQL functions on one connection: outage(),
// low_at(), counts_plus(), merge_counts() and what a migration needs. The
// same C++ the rest of the program calls; an SQLite result code.
int registerRecordFunctions(sqlite3 *db);

#pragma once

#include "core/record/MinuteRecord.h"

struct sqlite3;
class SqlStatement;

// MinuteRow::isOutage, as the record's SQL calls it.
#define TALVOR_OUTAGE "outage(readings, failures)"

// The record's rules as SQL functions on one connection: outage(),
// low_at(), counts_plus(), merge_counts() and what a migration needs. The
// same C++ the rest of the program calls; an SQLite result code.
int registerRecordFunctions(sqlite3 *db);

// A minute from a row whose columns are, in order: minute, readings, min,
// max, sum, low (NULL where not counted), failures, reason, and, where the
// query gives them, the counts by value.
talvor::MinuteRow rowFrom(const SqlStatement &q);

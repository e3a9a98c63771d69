#include "RecordFunctions.h"

#include "SqlStatement.h"
#include "core/record/MinuteRecord.h"

#include <sqlite3.h>

using talvor::MinuteRow;

namespace {

void outage(sqlite3_context *context, int, sqlite3_value **values)
{
    sqlite3_result_int(context,
                       MinuteRow::isOutage(sqlite3_value_int64(values[0]), sqlite3_value_int64(values[1])) ? 1 : 0);
}

QByteArrayView blobOf(sqlite3_value *value)
{
    const void *data = sqlite3_value_blob(value);
    return data ? QByteArrayView(static_cast<const char *>(data), sqlite3_value_bytes(value)) : QByteArrayView();
}

void resultCounts(sqlite3_context *context, const talvor::ValueCounts &counts)
{
    const QByteArray packed = counts.packed();
    sqlite3_result_blob64(context, packed.constData(), sqlite3_uint64(packed.size()), SQLITE_TRANSIENT);
}

// low_at(counts, threshold): the readings at or below the threshold.
void lowAt(sqlite3_context *context, int, sqlite3_value **values)
{
    sqlite3_result_int64(context, talvor::ValueCounts::atOrBelow(blobOf(values[0]), sqlite3_value_double(values[1])));
}

// counts_plus(a, b): both minutes' counts together.
void countsPlus(sqlite3_context *context, int, sqlite3_value **values)
{
    auto counts = talvor::ValueCounts::unpacked(blobOf(values[0]));
    counts.merge(talvor::ValueCounts::unpacked(blobOf(values[1])));
    resultCounts(context, counts);
}

// merge_counts(counts), over the minutes of an hour.
void mergeCountsStep(sqlite3_context *context, int, sqlite3_value **values)
{
    auto **counts = static_cast<talvor::ValueCounts **>(sqlite3_aggregate_context(context, sizeof(void *)));
    if (!counts) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (!*counts)
        *counts = new talvor::ValueCounts;
    (*counts)->merge(talvor::ValueCounts::unpacked(blobOf(values[0])));
}

void mergeCountsFinal(sqlite3_context *context)
{
    auto **counts = static_cast<talvor::ValueCounts **>(sqlite3_aggregate_context(context, 0));
    resultCounts(context, counts && *counts ? **counts : talvor::ValueCounts());
    if (counts)
        delete *counts;
}

// approximated_counts(readings, min, max, low): for minutes kept before
// values were counted.
void approximatedCounts(sqlite3_context *context, int, sqlite3_value **values)
{
    resultCounts(context,
                 talvor::ValueCounts::approximated(sqlite3_value_int64(values[0]), sqlite3_value_double(values[1]),
                                                   sqlite3_value_double(values[2]), sqlite3_value_int64(values[3])));
}

void approximationIsExact(sqlite3_context *context, int, sqlite3_value **values)
{
    sqlite3_result_int(context,
                       talvor::ValueCounts::approximationIsExact(sqlite3_value_int64(values[0]),
                                                                 sqlite3_value_double(values[1]),
                                                                 sqlite3_value_double(values[2]))
                           ? 1
                           : 0);
}

} // namespace

int registerRecordFunctions(sqlite3 *db)
{
    using Scalar = void (*)(sqlite3_context *, int, sqlite3_value **);
    const struct {
        const char *name;
        int arguments;
        Scalar scalar;
    } functions[] = {{"outage", 2, &outage},
                     {"low_at", 2, &lowAt},
                     {"counts_plus", 2, &countsPlus},
                     {"approximated_counts", 4, &approximatedCounts},
                     {"approximation_is_exact", 3, &approximationIsExact}};
    constexpr int Flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const auto &f : functions) {
        if (const int result = sqlite3_create_function_v2(db, f.name, f.arguments, Flags, nullptr, f.scalar, nullptr,
                                                          nullptr, nullptr);
            result != SQLITE_OK)
            return result;
    }
    return sqlite3_create_function_v2(db, "merge_counts", 1, Flags, nullptr, nullptr, &mergeCountsStep,
                                      &mergeCountsFinal, nullptr);
}

talvor::MinuteRow rowFrom(const SqlStatement &q)
{
    talvor::MinuteRow row;
    row.minute = q.integer(0);
    row.readings = int(q.integer(1));
    row.min = q.real(2);
    row.max = q.real(3);
    row.sum = q.real(4);
    if (!q.isNull(5))
        row.low = q.integer(5);
    row.failures = int(q.integer(6));
    row.reason = q.text(7);
    if (q.columns() > 8)
        row.counts = talvor::ValueCounts::unpacked(q.blob(8));
    return row;
}

// What named values cost: finding ten JSON values in a 20 kB page at each
// poll, and the record's size per value and day (a reading every 5 s).
#include "BenchSupport.h"
#include "core/reading/NamedValues.h"
#include "monitor/record/RecordStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

void findCost()
{
    // An LTE router's page: many fields, ten of them wanted.
    QString page = QStringLiteral("{");
    for (int i = 0; page.size() < 20'000; ++i)
        page += QStringLiteral(R"("field%1":{"text":"some words of the router","value":%2},)").arg(i).arg(i * 0.25);
    page += QStringLiteral(R"("end":0})");
    QList<talvor::ValueRule> rules;
    for (int i = 0; i < 10; ++i)
        rules << *talvor::valueRule(QStringLiteral("v%1").arg(i), {}, {}, QStringLiteral("json"),
                                    QStringLiteral("/field%1/value").arg(i * 20), {})
                      .rule;
    std::vector<double> us;
    QElapsedTimer timer;
    for (int i = 0; i < 2000; ++i) {
        timer.start();
        talvor::PageSearch search(page);
        const QList<talvor::NamedValue> found = talvor::findValues(search, rules);
        us.push_back(double(timer.nsecsElapsed()) / 1000.0);
        if (!found.last().value)
            std::printf("not found: %s\n", qPrintable(found.last().failure));
    }
    std::printf("values_us_per_poll values=10 page_kb=%lld median=%.0f p90=%.0f (target <= 200)\n",
                qint64(page.size() / 1000), percentile(us, 0.5), percentile(us, 0.9));
}

qint64 dayOfRecord(const QString &folder, int values)
{
    RecordStore store(QDir(folder).filePath(RecordStore::FileName));
    store.open();
    for (qint64 minute = 0; minute < 24 * 60; ++minute) {
        talvor::MinuteRow row;
        row.minute = 29'000'000 + minute;
        talvor::ValueMinutes named;
        for (int r = 0; r < 12; ++r) {
            row.addReading(40 + (minute + r) % 30);
            for (int v = 0; v < values; ++v) {
                talvor::MinuteRow &value = named[QStringLiteral("value%1").arg(v)];
                value.minute = row.minute;
                value.addReading(-45.2 + 0.1 * ((minute * r + v) % 50));
            }
        }
        store.writeLive(row, named);
    }
    store.close();
    return QFileInfo(QDir(folder).filePath(RecordStore::FileName)).size();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    findCost();
    QTemporaryDir without;
    QTemporaryDir with;
    const qint64 bare = dayOfRecord(without.path(), 0);
    const qint64 ten = dayOfRecord(with.path(), 10);
    std::printf("record_bytes_per_value_day=%lld (a day of the reading alone: %lld bytes)\n", (ten - bare) / 10, bare);
    return 0;
}

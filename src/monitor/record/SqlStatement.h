#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <sqlite3.h>

// One prepared statement: values bound in the order of its parameters,
// columns read from 0. A statement that failed to prepare runs as a failure.
class SqlStatement {
public:
    SqlStatement(sqlite3 *db, const QString &sql)
    {
        if (db && sqlite3_prepare16_v2(db, sql.utf16(), int(sql.size() * 2), &m_statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
        }
    }
    ~SqlStatement() { sqlite3_finalize(m_statement); }
    SqlStatement(const SqlStatement &) = delete;
    SqlStatement &operator=(const SqlStatement &) = delete;

    SqlStatement &bind(qint64 value) { return checked(sqlite3_bind_int64(m_statement, ++m_bound, value)); }
    SqlStatement &bind(double value) { return checked(sqlite3_bind_double(m_statement, ++m_bound, value)); }
    // NULL for a null text, or where the minute had no reading.
    SqlStatement &bind(const QString &text)
    {
        if (text.isNull())
            return checked(sqlite3_bind_null(m_statement, ++m_bound));
        return checked(
            sqlite3_bind_text16(m_statement, ++m_bound, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT));
    }
    SqlStatement &bind(const QByteArray &blob)
    {
        return checked(sqlite3_bind_blob64(m_statement, ++m_bound, blob.constData(), sqlite3_uint64(blob.size()),
                                           SQLITE_TRANSIENT));
    }
    SqlStatement &bindOrNull(bool present, double value)
    {
        if (present)
            return bind(value);
        return checked(sqlite3_bind_null(m_statement, ++m_bound));
    }

    // The next row; false at the end or on an error (see done()).
    bool next()
    {
        m_result = usable() ? sqlite3_step(m_statement) : SQLITE_ERROR;
        return m_result == SQLITE_ROW;
    }
    // The rows ran out without an error.
    bool done() const { return m_result == SQLITE_DONE; }
    // Runs it to the end.
    bool run()
    {
        while (next()) { }
        return done();
    }
    // Ready to run again with new values.
    void reset()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        m_bound = 0;
    }

    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    double real(int column) const { return sqlite3_column_double(m_statement, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    int columns() const { return sqlite3_column_count(m_statement); }
    QByteArrayView blob(int column) const
    {
        const void *data = sqlite3_column_blob(m_statement, column);
        return data ? QByteArrayView(static_cast<const char *>(data), sqlite3_column_bytes(m_statement, column))
                    : QByteArrayView();
    }
    QString text(int column) const
    {
        const auto *text = static_cast<const char16_t *>(sqlite3_column_text16(m_statement, column));
        return text ? QString::fromUtf16(text, sqlite3_column_bytes16(m_statement, column) / 2) : QString();
    }

private:
    bool usable() const { return m_statement && m_bindsOk; }
    SqlStatement &checked(int result)
    {
        m_bindsOk = m_bindsOk && result == SQLITE_OK;
        return *this;
    }

    sqlite3_stmt *m_statement = nullptr;
    int m_bound = 0;
    bool m_bindsOk = true;
    int m_result = SQLITE_OK;
};

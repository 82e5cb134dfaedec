// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Sqlite.h"

#include <QFile>
#include <sqlite3.h>

namespace sqlite {

Database::~Database()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

bool Database::open(const QString& path)
{
    const QByteArray local = QFile::encodeName(path);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    const int rc = sqlite3_open_v2(local.constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        m_lastCode = rc;
        m_error =
            m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    return true;
}

bool Database::exec(const char* sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK)
        return true;
    m_lastCode = rc;
    m_error = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(message);
    return false;
}

void Database::setBusyTimeout(int milliseconds)
{
    sqlite3_busy_timeout(m_db, milliseconds);
}

void Database::captureError()
{
    m_lastCode = sqlite3_extended_errcode(m_db);
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
}

Statement::Statement(Database& db, const char* sql) : m_db(db)
{
    if (sqlite3_prepare_v2(db.m_db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
        db.captureError();
        m_stmt = nullptr;
        m_failed = true;
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void Statement::bind(int index, double value)
{
    sqlite3_bind_double(m_stmt, index, value);
}

void Statement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

bool Statement::step()
{
    if (!m_stmt) {
        m_failed = true;
        return false;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        m_done = true;
    } else {
        m_failed = true;
        m_db.captureError();
    }
    return false;
}

void Statement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_done = false;
    m_failed = m_stmt == nullptr;
}

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

std::optional<double> Statement::number(int column) const
{
    const int type = sqlite3_column_type(m_stmt, column);
    if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
        return std::nullopt;
    return sqlite3_column_double(m_stmt, column);
}

QString Statement::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(bytes, sqlite3_column_bytes(m_stmt, column));
}

} // namespace sqlite

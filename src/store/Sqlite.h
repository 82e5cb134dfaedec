// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// A thin RAII layer over one SQLite connection and its prepared statements.
namespace sqlite {

class Statement;

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens or creates the file. On failure returns false and errorText() says why.
    bool open(const QString& path);
    bool exec(const char* sql);
    QString errorText() const { return m_error; }
    int lastErrorCode() const { return m_lastCode; }
    sqlite3* handle() const { return m_db; }
    void setBusyTimeout(int milliseconds);

private:
    friend class Statement;
    void captureError();
    sqlite3* m_db = nullptr;
    QString m_error;
    int m_lastCode = 0;
};

class Statement {
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return m_stmt != nullptr; }
    void bind(int index, std::int64_t value);
    void bind(int index, double value);
    void bind(int index, const QString& value);
    void bindNull(int index);
    // Steps once: true while a row is available. done() tells a clean finish;
    // a statement that could not be prepared has always failed.
    bool step();
    bool done() const { return m_done; }
    bool failed() const { return m_failed; }
    void reset();

    std::int64_t integer(int column) const;
    double real(int column) const;
    // The column's value when it holds a number (not NULL, text or a blob).
    std::optional<double> number(int column) const;
    QString text(int column) const;

private:
    Database& m_db;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_done = false;
    bool m_failed = false;
};

} // namespace sqlite

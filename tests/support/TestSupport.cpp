// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLoggingCategory>
#include <QMutex>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

QMutex logMutex;
QStringList captured; // diagnostic lines of the running test
QStringList allowed;  // fragments of the warnings it expects

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const QByteArray category(context.category ? context.category : "");
    QMutexLocker lock(&logMutex);
    if (type == QtDebugMsg || type == QtInfoMsg) {
        if (category.startsWith("vantle."))
            captured.append(message);
        return;
    }
    std::fprintf(stderr, "[%s] %s\n", category.constData(), qPrintable(message));
    if (std::none_of(allowed.cbegin(), allowed.cend(),
                     [&](const QString& fragment) { return message.contains(fragment); }))
        ADD_FAILURE() << "unexpected Qt message [" << category.constData()
                      << "]: " << message.toStdString();
}

// Forgets the warnings one test allowed and the lines it captured.
class ResetBetweenTests : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        QMutexLocker lock(&logMutex);
        allowed.clear();
        captured.clear();
        // Each test starts with an empty Trash of its own, also under --gtest_repeat.
        QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash").removeRecursively();
    }
};

} // namespace

int main(int argc, char** argv)
{
    // A home of our own before anything reads the environment.
    // Removed byte-wise below: tests leave names that are not valid UTF-8.
    QByteArray root = QFile::encodeName(QDir::tempPath()) + "/vantle-test-XXXXXX";
    ::mkdtemp(root.data());
    for (const auto& [name, path] : {std::pair("HOME", ""),
                                     {"XDG_DATA_HOME", "/.local/share"},
                                     {"XDG_CONFIG_HOME", "/.config"},
                                     {"XDG_CACHE_HOME", "/.cache"},
                                     {"XDG_RUNTIME_DIR", "/runtime"}})
        qputenv(name, root + path);
    ::mkdir((root + "/runtime").constData(), 0700);
    if (qEnvironmentVariableIsEmpty("VANTLE_BINARY"))
        qputenv("VANTLE_BINARY", VANTLE_BINARY_PATH);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules("vantle.*.debug=true");
    qInstallMessageHandler(handleMessage);
    testing::UnitTest::GetInstance()->listeners().Append(new ResetBetweenTests);
    const int status = RUN_ALL_TESTS();
    qInstallMessageHandler(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(root.toStdString()), ignored);
    return status;
}

QString testenv::freshFolder(const QString& name)
{
    static int serial = 0;
    const QString path = home() + QString("/t%1-").arg(++serial) + name;
    QDir().mkpath(path);
    return path;
}

int logcapture::count(const QString& prefix)
{
    QMutexLocker lock(&logMutex);
    return int(std::count_if(captured.cbegin(), captured.cend(),
                             [&](const QString& line) { return line.startsWith(prefix); }));
}

void allowWarning(const QString& fragment)
{
    QMutexLocker lock(&logMutex);
    allowed.append(fragment);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

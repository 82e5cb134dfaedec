// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>

namespace logcapture {
void record(const QString& line);
}
bool isAllowedWarning(const QString& message);
void clearAllowedWarnings();

namespace {

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const QByteArray category(context.category ? context.category : "");
    if (type == QtDebugMsg || type == QtInfoMsg) {
        if (category.startsWith("vantle."))
            logcapture::record(message);
        return;
    }
    std::fprintf(stderr, "[%s] %s\n", category.constData(), qPrintable(message));
    if (!isAllowedWarning(message))
        ADD_FAILURE() << "unexpected Qt message [" << category.constData()
                      << "]: " << message.toStdString();
}

// Forgets the warnings one test allowed and the lines it captured.
class ResetBetweenTests : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override
    {
        clearAllowedWarnings();
        logcapture::clear();
        // Each test starts with an empty Trash of its own, also under --gtest_repeat.
        QDir(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash")).removeRecursively();
    }
};

} // namespace

int main(int argc, char** argv)
{
    // A home of our own before anything reads the environment.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vantle-test-XXXXXX"));
    // Removed byte-wise below: tests leave names that are not valid UTF-8.
    home.setAutoRemove(false);
    const QByteArray root = home.path().toLocal8Bit();
    qputenv("HOME", root);
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QDir().mkpath(home.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("VANTLE_BINARY"))
        qputenv("VANTLE_BINARY", VANTLE_BINARY_PATH);
    if (qEnvironmentVariableIsEmpty("VANTLE_SOURCE_DIR"))
        qputenv("VANTLE_SOURCE_DIR", VANTLE_SOURCE_PATH);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vantle.*.debug=true"));
    qInstallMessageHandler(handleMessage);
    testing::UnitTest::GetInstance()->listeners().Append(new ResetBetweenTests);
    const int status = RUN_ALL_TESTS();
    qInstallMessageHandler(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(root.toStdString()), ignored);
    return status;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "move/MoveInputViewModel.h"
#include "toast/MoveInputPanel.h"
#include "toast/MoveInputView.h"
#include "toast/ToastGeometry.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

namespace {

// A home with a few folders, crawled for real, and one queued download.
class ToastMoveTest : public ToastFixture {
protected:
    void SetUp() override
    {
        ToastFixture::SetUp();
        m_home = testenv::freshFolder(QStringLiteral("move-home"));
        for (const char* folder : {"Projects/Alpha", "Projects/Beta", "Documents/Taxes"})
            QDir().mkpath(m_home + '/' + QLatin1String(folder));
        m_folderIndex = std::make_unique<FolderIndex>(m_home, std::chrono::milliseconds(0));
        m_folderIndex->start();
        ASSERT_TRUE(waitUntil([&] { return m_folderIndex->hasGathered(); }));
        makeController();
        m_file = showFile("report.pdf");
        m_controller->showMoveInput();
        ASSERT_TRUE(m_controller->isInputVisible(ToastController::Input::move));
    }
    QLineEdit& field() { return m_controller->moveFlow().panel().view().field(); }
    void type(const QString& text) { QTest::keyClicks(&field(), text); }

    QString m_home;
    RecordId m_file;
};

} // namespace

TEST_F(ToastMoveTest, TypedLettersFindTheFolderAndReturnMovesThere)
{
    type(QStringLiteral("proj alp"));
    ASSERT_TRUE(waitUntil([&] { return !m_controller->moveFlow().model().results().isEmpty(); }));
    // The shadow gets room around the panel, not out of its width.
    EXPECT_EQ(m_controller->moveFlow().panel().bodyGeometry().width(),
              toastgeometry::inputPanelWidth);
    QTest::keyClick(&field(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] {
        return QFile::exists(m_home + "/Projects/Alpha/report.pdf") &&
               allInState({m_file}, FileState::dismissed);
    }));
    EXPECT_EQ(m_moveMRU.paths().value(0), m_home + "/Projects/Alpha");
    EXPECT_EQ(m_windows->m_activated, QList<WindowSystem::WindowId>{42});
    ASSERT_TRUE(waitUntilOffScreen());
}

TEST_F(ToastMoveTest, SuperNMakesTheOfferedFolderAndEscapeLeavesEverything)
{
    type(QStringLiteral("Inbox"));
    QTest::keyClick(&field(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !m_controller->isAnyInputVisible(); }));
    EXPECT_TRUE(m_controller->isCountingDown());
    EXPECT_TRUE(QFile::exists(m_downloads + "/report.pdf"));
    EXPECT_EQ(record(m_file)->state, FileState::unprocessed);

    m_controller->showMoveInput();
    EXPECT_TRUE(field().text().isEmpty()) << "each opening starts empty";
    type(QStringLiteral("Inbox"));
    drainQueued();
    QTest::keyClick(&field(), Qt::Key_N, Qt::MetaModifier);
    EXPECT_EQ(field().text(), "Inbox") << "Super+N is no text";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(m_home + "/Inbox/report.pdf"); }));
}

TEST_F(ToastMoveTest, AMoveThatFailsKeepsTheFileAndSaysWhyInTheToastsPlace)
{
    // The folder went after the index saw it.
    ASSERT_TRUE(QDir(m_home + "/Projects/Beta").removeRecursively());
    type(QStringLiteral("beta"));
    ASSERT_TRUE(waitUntil([&] { return !m_controller->moveFlow().model().results().isEmpty(); }));
    QTest::keyClick(&field(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !m_controller->notice().text().isEmpty(); }));
    EXPECT_EQ(m_controller->notice().text(),
              "Couldn't move “report.pdf” to ~/Projects/Beta: the folder is not there");
    EXPECT_TRUE(QFile::exists(m_downloads + "/report.pdf"));
    EXPECT_TRUE(waitUntil([&] { return record(m_file)->state == FileState::dismissed; }));
    EXPECT_TRUE(m_moveMRU.paths().isEmpty());
    EXPECT_EQ(m_windows->m_activated, QList<WindowSystem::WindowId>{42});
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "expiry/TimeInputViewModel.h"
#include "menus/MoreMenuViewModel.h"
#include "move/MoveInputViewModel.h"
#include "toast/MoreMenuPanel.h"
#include "toast/MoveInputPanel.h"
#include "toast/MoveInputView.h"
#include "toast/SharePicker.h"
#include "toast/TimeInputPanel.h"
#include "toast/TimeInputView.h"
#include "toast/ToastGeometry.h"
#include "toast/ToastTimeInputFlow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

namespace {

using Input = ToastController::Input;

// The toast's input panels, each opened over one queued download.
class ToastInputsTest : public ToastFixture {
protected:
    bool isOpen(Input input) { return m_controller->isInputVisible(input); }
    QLineEdit& timeField() { return m_controller->timeFlow().panel().view().field(); }
    QLineEdit& moveField() { return m_controller->moveFlow().panel().view().field(); }
    void moreKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&m_controller->moreFlow().panel(), key, modifiers);
    }
    int moreSelection() { return m_controller->moreFlow().model().selectedIndex(); }
    bool moveFound()
    {
        return waitUntil([&] { return !m_controller->moveFlow().model().results().isEmpty(); });
    }

    // A home with a few folders, crawled for real; the move input open on report.pdf.
    void openMoveInput()
    {
        m_home = testenv::freshFolder(QStringLiteral("move-home"));
        for (const char* folder : {"Projects/Alpha", "Projects/Beta", "Documents/Taxes"})
            QDir().mkpath(m_home + '/' + QLatin1String(folder));
        m_folderIndex = std::make_unique<FolderIndex>(m_home, std::chrono::milliseconds(0));
        m_folderIndex->start();
        ASSERT_TRUE(waitUntil([&] { return m_folderIndex->hasGathered(); }));
        makeController();
        m_file = showFile("report.pdf");
        m_controller->showMoveInput();
        ASSERT_TRUE(isOpen(Input::move));
    }
    void openMoreMenu()
    {
        m_file = showFile("a.pdf");
        m_controller->showMoreMenu();
        ASSERT_TRUE(isOpen(Input::more));
    }

    QString m_home;
    RecordId m_file;
};

} // namespace

TEST_F(ToastInputsTest, MoreMenuArrowsStopAtBothEndsReturnChoosesAndEscapeResumes)
{
    openMoreMenu();
    moreKey(Qt::Key_Up); // already on "Open"
    EXPECT_EQ(moreSelection(), 0);
    for (int i = 0; i < 5; ++i)
        moreKey(Qt::Key_Down);
    EXPECT_EQ(moreSelection(), 3) << "stops on the last row";
    moreKey(Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !isOpen(Input::more); }));
    EXPECT_TRUE(m_controller->isCountingDown());
    expectFocusBack();
    m_controller->showMoreMenu();
    EXPECT_EQ(moreSelection(), 0) << "opens on Open";
    moreKey(Qt::Key_Enter); // the keypad's, as Return
    ASSERT_TRUE(waitUntil([&] { return allInState({m_file}, FileState::dismissed); }));
    EXPECT_EQ(m_workspace->opened, QStringList{at("a.pdf")});
}

TEST_F(ToastInputsTest, ShareThenDismissMarksNothingAndTheDeleteKeyTrashes)
{
    openMoreMenu();
    // A popup menu on the offscreen platform cannot raise itself or grab keys.
    allowWarning(QStringLiteral("This plugin does not support"));
    moreKey(Qt::Key_S, Qt::MetaModifier | Qt::ShiftModifier);
    QMenu* menu = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        menu = m_controller->moreFlow().sharePicker().menu();
        return menu && menu->isVisible();
    }));
    EXPECT_TRUE(isOpen(Input::more)) << "the picker opens over the menu, which keeps the focus";
    EXPECT_FALSE(m_controller->isCountingDown()) << "paused while the picker is up";
    menu->hide(); // dismissed without a choice
    ASSERT_TRUE(waitUntil([&] { return m_controller->isCountingDown(); }));
    EXPECT_FALSE(isOpen(Input::more));
    expectFocusBack();
    EXPECT_EQ(record(m_file)->state, FileState::unprocessed);
    // Open again, its delete key trashes; with Ctrl added the key is not the menu's.
    m_controller->showMoreMenu();
    moreKey(Qt::Key_Backspace, Qt::MetaModifier | Qt::ShiftModifier | Qt::ControlModifier);
    drainQueued();
    EXPECT_TRUE(isOpen(Input::more));
    moreKey(Qt::Key_Backspace, Qt::MetaModifier | Qt::ShiftModifier);
    ASSERT_TRUE(waitUntil([&] { return !record(m_file) && !QFile::exists(at("a.pdf")); }));
    EXPECT_EQ(m_trash->requests(), QStringList{at("a.pdf")});
}

TEST_F(ToastInputsTest, TypedLettersFindTheFolderAndReturnMovesThere)
{
    openMoveInput();
    QTest::keyClicks(&moveField(), "proj alp");
    ASSERT_TRUE(moveFound());
    // The shadow gets room around the panel, not out of its width.
    EXPECT_EQ(m_controller->moveFlow().panel().bodyGeometry().width(),
              toastgeometry::inputPanelWidth);
    QTest::keyClick(&moveField(), Qt::Key_Return);
    // Recorded once the file moved; the failing move checks settling and focus.
    EXPECT_TRUE(
        waitUntil([&] { return m_moveMRU.paths() == QStringList{m_home + "/Projects/Alpha"}; }));
}

TEST_F(ToastInputsTest, AMoveThatFailsKeepsTheFileAndSaysWhyInTheToastsPlace)
{
    openMoveInput();
    // The folder went after the index saw it.
    ASSERT_TRUE(QDir(m_home + "/Projects/Beta").removeRecursively());
    QTest::keyClicks(&moveField(), "beta");
    ASSERT_TRUE(moveFound());
    QTest::keyClick(&moveField(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return !m_controller->notice().text().isEmpty(); }));
    EXPECT_EQ(m_controller->notice().text(),
              "Couldn't move “report.pdf” to ~/Projects/Beta: the folder is not there");
    EXPECT_TRUE(QFile::exists(at("report.pdf")));
    EXPECT_TRUE(waitUntil([&] { return record(m_file)->state == FileState::dismissed; }));
    EXPECT_TRUE(m_moveMRU.paths().isEmpty());
    expectFocusBack();
}

TEST_F(ToastInputsTest, UnreadableTimeWaitsEscapeResumesAndLeavingClosesWithoutFocusing)
{
    const RecordId id = showFile("a.pdf");
    m_controller->showTimeInput();
    ASSERT_TRUE(isOpen(Input::time));
    QTest::keyClicks(&timeField(), "5");
    QTest::keyClick(&timeField(), Qt::Key_Return);
    drainQueued();
    EXPECT_TRUE(isOpen(Input::time)) << "nothing to submit";
    EXPECT_EQ(timeField().text(), "5") << "Return types nothing";
    QTest::keyClick(&timeField(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !isOpen(Input::time); }));
    EXPECT_EQ(timeField().text(), "5") << "Escape types nothing";
    EXPECT_TRUE(m_controller->isCountingDown());
    expectFocusBack();
    EXPECT_EQ(record(id)->state, FileState::unprocessed);
    // Opened again it starts empty; going to another window closes it and
    // leaves focus where the user put it.
    m_controller->showTimeInput();
    EXPECT_TRUE(timeField().text().isEmpty());
    ASSERT_FALSE(m_controller->isCountingDown());
    m_controller->appDidResignActive();
    ASSERT_TRUE(waitUntil([&] { return !m_controller->isAnyInputVisible(); }));
    EXPECT_TRUE(m_controller->isCountingDown());
    expectFocusBack(); // no second focus
}

// A stand-in for kdeconnect-cli that answers only once the test says so:
// building the picker must not wait for it, and the open menu takes in its
// answer when it comes.
TEST(SharePicker, AskedForDevicesWhenItOpensWithoutWaitingForTheAnswer)
{
    allowWarning(QStringLiteral("This plugin does not support"));
    const QString bin = testenv::freshFolder("bin");
    const QString go = bin + "/go";
    testenv::writeFile(bin + "/kdeconnect-cli", "#!/bin/sh\nwhile [ ! -e '" + go.toUtf8() +
                                                    "' ]; do sleep 0.02; done\necho phone-1\n");
    QFile::setPermissions(bin + "/kdeconnect-cli", QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ":" + path);
    QElapsedTimer clock;
    clock.start();
    SharePicker picker;
    std::optional<QString> chosen;
    picker.present(QRect(0, 0, 10, 10), {"/tmp/a.pdf"}, [&](auto service) { chosen = service; });
    const qint64 spent = clock.elapsed();
    qputenv("PATH", path);
    EXPECT_LT(spent, 1000) << "the device query kept the main thread";
    ASSERT_TRUE(picker.menu());
    const auto titles = [&] {
        return textsOf(picker.menu()->actions(), std::mem_fn(&QAction::text));
    };
    EXPECT_FALSE(titles().contains("Phone (KDE Connect)"));
    testenv::writeFile(go);
    EXPECT_TRUE(waitUntil([&] { return titles().contains("Phone (KDE Connect)"); }))
        << titles().join(", ").toStdString();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "expiry/TimeInputViewModel.h"
#include "toast/TimeInputPanel.h"
#include "toast/TimeInputView.h"
#include "toast/ToastTimeInputFlow.h"

#include <QLineEdit>
#include <QTest>

namespace {

class ToastTimeInputTest : public ToastFixture {
protected:
    QLineEdit& field() { return m_controller->timeFlow().panel().view().field(); }
    void type(const QString& text) { QTest::keyClicks(&field(), text); }
    void press(Qt::Key key) { QTest::keyClick(&field(), key); }
    bool inputOpen() { return m_controller->isInputVisible(ToastController::Input::time); }
};

} // namespace

TEST_F(ToastTimeInputTest, UnreadableTextWaitsEscapeResumesAndLeavingClosesWithoutFocusing)
{
    const RecordId id = showFile("a.pdf");
    m_controller->showTimeInput();
    ASSERT_TRUE(inputOpen());
    type(QStringLiteral("5"));
    press(Qt::Key_Return);
    drainQueued();
    EXPECT_TRUE(inputOpen()) << "nothing to submit";
    EXPECT_EQ(field().text(), "5") << "Return types nothing";

    press(Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !inputOpen(); }));
    EXPECT_EQ(field().text(), "5") << "Escape types nothing";
    EXPECT_TRUE(m_controller->isCountingDown());
    EXPECT_EQ(m_windows->m_activated, QList<WindowSystem::WindowId>{42});
    EXPECT_EQ(record(id)->state, FileState::unprocessed);

    // Opened again it starts empty; going to another window closes it and
    // leaves focus where the user put it.
    m_controller->showTimeInput();
    EXPECT_TRUE(field().text().isEmpty());
    ASSERT_FALSE(m_controller->isCountingDown());
    m_controller->appDidResignActive();
    ASSERT_TRUE(waitUntil([&] { return !m_controller->isAnyInputVisible(); }));
    EXPECT_TRUE(m_controller->isCountingDown());
    EXPECT_EQ(m_windows->m_activated, QList<WindowSystem::WindowId>{42}) << "no second focus";
}

// The queue is marked the way Mark temporary marks it (ToastActionsTest), for the typed time.
TEST_F(ToastTimeInputTest, ATypedLifetimeMarksTheQueueForThatLong)
{
    const RecordId id = showFile("a.pdf");
    m_controller->showTimeInput();
    type(QStringLiteral("2h"));
    const QDateTime before = QDateTime::currentDateTimeUtc();
    press(Qt::Key_Enter);
    ASSERT_TRUE(waitUntil([&] { return allInState({id}, FileState::temporary); }));
    EXPECT_GE(before.secsTo(*record(id)->expiresAt), 7199);
    EXPECT_LE(before.secsTo(*record(id)->expiresAt), 7260);
    ASSERT_TRUE(waitUntilOffScreen());
}

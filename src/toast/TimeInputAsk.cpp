// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/TimeInputAsk.h"

#include "expiry/TimeInputViewModel.h"
#include "toast/TimeInputPanel.h"
#include "toast/TimeInputView.h"
#include "toast/ToastFlowHost.h"
#include "toast/ToastGeometry.h"
#include "toast/ToastTiming.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <algorithm>

using toastflow::soon;

namespace {

constexpr int pointerGap = 12;

// Under the pointer, centred on it, or above it when the tallest panel would
// not fit below; always inside the available area.
QRect frameNear(QPoint pointer, const QRect& available, int height)
{
    const int width = std::min(toastgeometry::inputPanelWidth, available.width());
    const int tallest = toastgeometry::timeInputHeight(true);
    int y = pointer.y() + pointerGap;
    if (y + tallest > available.bottom())
        y = pointer.y() - pointerGap - tallest;
    const int x =
        std::clamp(pointer.x() - width / 2, available.left(), available.right() + 1 - width);
    return {x, std::clamp(y, available.top(), available.bottom() + 1 - tallest), width, height};
}

} // namespace

TimeInputAsk::TimeInputAsk(std::shared_ptr<WindowSystem> windowSystem)
    : m_windowSystem(std::move(windowSystem)), m_model(std::make_unique<TimeInputViewModel>()),
      m_panel(std::make_unique<TimeInputPanel>(m_windowSystem, *m_model))
{
    m_panel->view().setActions({
        soon<TimeInputAsk>(this, [](TimeInputAsk& a) { a.place(); }),
        soon<TimeInputAsk>(this, [](TimeInputAsk& a) { a.submit(); }),
        soon<TimeInputAsk>(this, [](TimeInputAsk& a) { a.finish(std::nullopt, true); }),
    });
    // Clicking elsewhere is a cancel, as for a menu; focus stays where the user put it.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive && isOpen())
                    finish(std::nullopt, false);
            });
}

TimeInputAsk::~TimeInputAsk()
{
    if (Answer answer = std::exchange(m_answer, {}))
        answer(std::nullopt);
}

void TimeInputAsk::ask(Answer answer)
{
    if (isOpen())
        finish(std::nullopt, false);
    m_answer = std::move(answer);
    m_model->reset();
    m_pointer = QCursor::pos();
    place();
    m_previouslyActiveWindow = m_windowSystem ? m_windowSystem->activeWindow() : 0;
    m_panel->stopFade();
    m_panel->setAlpha(0.0);
    m_panel->makeKeyAndOrderFront();
    // The user asked from another program, which a window manager's focus
    // stealing prevention would keep the keyboard with; it obeys a pager.
    if (m_windowSystem)
        m_windowSystem->activate(WindowSystem::WindowId(m_panel->winId()));
    m_panel->fadeTo(1.0, ToastTiming().inputFadeIn);
    m_panel->view().field().setFocus();
}

void TimeInputAsk::place()
{
    const QScreen* screen = QGuiApplication::screenAt(m_pointer);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    m_panel->setBodyGeometry(frameNear(m_pointer, screen->availableGeometry(),
                                       toastgeometry::timeInputHeight(m_model->showsResultRow())));
}

void TimeInputAsk::submit()
{
    if (const std::optional<ParsedDuration> parsed = m_model->parsed())
        finish(parsed->interval, true);
    // Without a duration the panel stays open for another try.
}

void TimeInputAsk::finish(std::optional<double> interval, bool restoreFocus)
{
    Answer answer = std::exchange(m_answer, {});
    if (!answer)
        return;
    if (restoreFocus && m_windowSystem && m_previouslyActiveWindow != 0)
        m_windowSystem->activate(m_previouslyActiveWindow);
    m_previouslyActiveWindow = 0;
    m_panel->fadeTo(0.0, ToastTiming().inputFadeOut, [this] {
        // An ask that came during the fade keeps the panel.
        if (!isOpen()) {
            m_panel->orderOut();
            m_panel->setAlpha(1.0);
        }
    });
    answer(interval);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastInputs.h"

#include "platform/WindowSystem.h"
#include "toast/FloatingPanel.h"
#include "toast/ToastFlowHost.h"
#include "toast/ToastGeometry.h"

#include <algorithm>

ToastInputs::ToastInputs(ToastFlowHost& host, std::shared_ptr<WindowSystem> windowSystem,
                         const ToastTiming& timing)
    : m_host(host), m_windowSystem(std::move(windowSystem)), m_timing(timing)
{
}

void ToastInputs::setPanel(ToastInput input, FloatingPanel& panel)
{
    m_panels[index(input)] = &panel;
}

bool ToastInputs::isAnyOpen() const
{
    return std::find(m_open.begin(), m_open.end(), true) != m_open.end();
}

bool ToastInputs::canOpen() const
{
    // Trashed files offer nothing but Undo.
    return m_host.isExpanded() && !isAnyOpen() && !m_host.isDeleting();
}

void ToastInputs::open(ToastInput input)
{
    if (!canOpen())
        return;
    m_open[index(input)] = true;
    m_host.notifyInteraction();
    m_host.setPaused(true);
    FloatingPanel* panel = m_panels[index(input)];
    if (const auto facts = m_host.currentScreenFacts())
        panel->setBodyGeometry(
            toastgeometry::inputPanelFrame(*facts, panel->bodyGeometry().height()));
    m_previouslyActiveWindow = m_windowSystem->activeWindow();
    panel->setAlpha(0.0);
    panel->makeKeyAndOrderFront();
    panel->fadeTo(1.0, m_timing.inputFadeIn);
}

void ToastInputs::close(ToastInput input, bool restore)
{
    if (!isOpen(input))
        return;
    m_open[index(input)] = false;
    m_host.notifyInteraction();
    if (restore) {
        restoreFocus();
        m_host.setPaused(false);
    }
    FloatingPanel* panel = m_panels[index(input)];
    panel->fadeTo(0.0, m_timing.inputFadeOut, [this, input, panel] {
        // A panel opened again during the fade stays.
        if (!isOpen(input)) {
            panel->orderOut();
            panel->setAlpha(1.0);
        }
    });
}

void ToastInputs::setOpen(ToastInput input, bool open)
{
    m_open[index(input)] = open;
    m_host.notifyInteraction();
}

void ToastInputs::handOver(ToastInput from, ToastInput to)
{
    m_open[index(from)] = false;
    FloatingPanel* panel = m_panels[index(from)];
    panel->orderOut();
    panel->setAlpha(1.0);
    setOpen(to, true);
}

void ToastInputs::closeAll()
{
    // Focus is where the user put it: it is not taken back to where they were.
    bool closed = false;
    for (ToastInput input : {ToastInput::move, ToastInput::time, ToastInput::more}) {
        if (isOpen(input)) {
            close(input, false);
            closed = true;
        }
    }
    if (closed) {
        m_previouslyActiveWindow = 0;
        m_host.setPaused(false);
    }
}

void ToastInputs::closeForHide()
{
    if (isAnyOpen())
        restoreFocus();
    for (ToastInput input :
         {ToastInput::move, ToastInput::time, ToastInput::more, ToastInput::sharePicker}) {
        if (isOpen(input)) {
            m_open[index(input)] = false;
            if (FloatingPanel* panel = m_panels[index(input)])
                panel->orderOut();
        }
    }
}

void ToastInputs::rememberActiveWindow()
{
    if (m_previouslyActiveWindow == 0)
        m_previouslyActiveWindow = m_windowSystem->activeWindow();
}

void ToastInputs::restoreFocus()
{
    if (m_previouslyActiveWindow != 0)
        m_windowSystem->activate(m_previouslyActiveWindow);
    m_previouslyActiveWindow = 0;
}

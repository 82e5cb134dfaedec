// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/ToastTiming.h"

#include <array>
#include <cstdint>
#include <memory>

class FloatingPanel;
class ToastFlowHost;
class WindowSystem;

// The toast's inputs: its three panels, and the share menu and folder chooser
// that stand in for them for a while.
enum class ToastInput { move, time, more, sharePicker, folderChooser };

// One open input at a time: opening one pauses the countdown and takes the
// keyboard from the window the user was in; closing it gives both back.
class ToastInputs {
public:
    ToastInputs(ToastFlowHost& host, std::shared_ptr<WindowSystem> windowSystem,
                const ToastTiming& timing);

    // The window that shows `input`, ordered out when the toast hides.
    void setPanel(ToastInput input, FloatingPanel& panel);

    // Whether a flow may open its panel now.
    bool canOpen() const;
    void open(ToastInput input);
    // Fades the input out; with `restore`, focus goes back and the countdown resumes.
    void close(ToastInput input, bool restore = true);
    // Marks an input open or closed without touching its window.
    void setOpen(ToastInput input, bool open);
    // The move panel gives way to the folder chooser at once.
    void handOver(ToastInput from, ToastInput to);
    bool isOpen(ToastInput input) const { return m_open[index(input)]; }
    bool isAnyOpen() const;

    // Another application became active: the inputs close, the countdown goes on.
    void closeAll();
    // The toast hides: every input goes at once and focus goes back.
    void closeForHide();

    // Where focus goes back to: the window active before the first input opened.
    void rememberActiveWindow();
    void forgetActiveWindow() { m_previouslyActiveWindow = 0; }
    void restoreFocus();

private:
    static std::size_t index(ToastInput input) { return std::size_t(input); }

    ToastFlowHost& m_host;
    std::shared_ptr<WindowSystem> m_windowSystem;
    ToastTiming m_timing;
    std::array<bool, 5> m_open{};
    std::array<FloatingPanel*, 5> m_panels{};
    std::uint32_t m_previouslyActiveWindow = 0;
};

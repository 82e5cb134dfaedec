// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowSystem.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>
#include <optional>

class TimeInputPanel;
class TimeInputViewModel;

// The custom-lifetime panel opened for another program (a file manager's
// "Mark as Temporary for…"), away from any toast: near the pointer, with the
// keyboard, until a lifetime is confirmed, Escape is pressed or the user goes
// to another window. Focus goes back where it was, except after the last.
class TimeInputAsk : public QObject {
    Q_OBJECT
public:
    // The typed lifetime in seconds, or none when the user did not give one.
    using Answer = std::function<void(std::optional<double> interval)>;

    explicit TimeInputAsk(std::shared_ptr<WindowSystem> windowSystem);
    // An open ask is answered with none.
    ~TimeInputAsk() override;

    // Opens the panel; an ask still open is answered with none first.
    void ask(Answer answer);
    bool isOpen() const { return bool(m_answer); }

private:
    void place();
    void submit();
    void finish(std::optional<double> interval, bool restoreFocus);

    std::shared_ptr<WindowSystem> m_windowSystem;
    std::unique_ptr<TimeInputViewModel> m_model;
    std::unique_ptr<TimeInputPanel> m_panel;
    Answer m_answer;
    QPoint m_pointer;
    WindowSystem::WindowId m_previouslyActiveWindow = 0;
};

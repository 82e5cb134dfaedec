// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <memory>

class TimeInputPanel;
class TimeInputViewModel;
class ToastFlowHost;
class ToastInputs;
class WindowSystem;

// The custom-lifetime flow of the toast: open the input, mark every queued
// file with the typed lifetime, or close and resume.
class ToastTimeInputFlow : public QObject {
    Q_OBJECT
public:
    ToastTimeInputFlow(ToastFlowHost& host, ToastInputs& inputs,
                       std::shared_ptr<WindowSystem> windowSystem);
    ~ToastTimeInputFlow() override;

    void show();
    void submit();
    void close();

    TimeInputViewModel& model() { return *m_model; }
    TimeInputPanel& panel() { return *m_panel; }

private:
    void place();

    ToastFlowHost& m_host;
    ToastInputs& m_inputs;
    std::unique_ptr<TimeInputViewModel> m_model;
    std::unique_ptr<TimeInputPanel> m_panel;
};

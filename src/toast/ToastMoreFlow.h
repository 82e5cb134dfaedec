// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/SharePicker.h"

#include <QObject>
#include <memory>
#include <optional>
#include <vector>

class MoreMenuPanel;
class MoreMenuViewModel;
class ShareAnchorPanel;
class ToastFlowHost;
class ToastInputs;
class WindowSystem;
enum class MoreMenuAction;

// The More menu of the toast and the share picker it opens.
class ToastMoreFlow : public QObject {
    Q_OBJECT
public:
    // Without `shareTargets`, the share targets installed on the machine.
    ToastMoreFlow(ToastFlowHost& host, ToastInputs& inputs,
                  std::shared_ptr<WindowSystem> windowSystem,
                  const std::optional<std::vector<ShareTarget>>& shareTargets);
    ~ToastMoreFlow() override;

    void show();
    void close(bool restore);
    void perform(MoreMenuAction action);
    // Offers the queued files to a program; the one chosen gets them and
    // they are marked temporary.
    void share();

    MoreMenuViewModel& model() { return *m_model; }
    MoreMenuPanel& panel() { return *m_panel; }
    SharePicker& sharePicker() { return *m_sharePicker; }

private:
    void finishShare(const std::optional<QString>& service);

    ToastFlowHost& m_host;
    ToastInputs& m_inputs;
    std::unique_ptr<MoreMenuViewModel> m_model;
    std::unique_ptr<MoreMenuPanel> m_panel;
    std::unique_ptr<SharePicker> m_sharePicker;
    std::unique_ptr<ShareAnchorPanel> m_shareAnchorPanel;
};

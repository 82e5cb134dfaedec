// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class UpdaterManager;

// The popover's settings pane: the default lifetime of a file marked
// temporary ("expiryValue", "expiryUnit"; the store reads them at every mark,
// so a change applies to the next file), the tidy rule (TidySettingsView) and
// the update check, scrolling when they are taller than the popover. Built each time
// it is shown; it keeps no state besides the settings. Texts take the
// palette of the popover it sits in.
//
// Children by objectName: "expiryValue" (QSpinBox), "expiryUnit" (QComboBox,
// item data the units' raw values), "expiryExplanation", "notifyNewDownloads"
// (QCheckBox), "checkForUpdates",
// "automaticallyChecksForUpdates", "automaticallyDownloadsUpdates" (QCheckBox),
// "updateStatus", "releaseNotes", "downloadPage", "releaseNotesLink",
// "quit" (QPushButton).
class SettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SettingsView(UpdaterManager& updater, QWidget* parent = nullptr);

Q_SIGNALS:
    // "Quit Vantle": the way out where no tray shows the icon's menu.
    void quitRequested();

private:
    QWidget* makeExpiryBlock();
    QWidget* makeUpdatesBlock();
    // The unit items' singular or plural, and the explanation.
    void showExpiry();
    void showUpdateStatus();

    UpdaterManager& m_updater;
    QSpinBox* m_amount = nullptr;
    QComboBox* m_unit = nullptr;
    QLabel* m_explanation = nullptr;
    QPushButton* m_check = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_notes = nullptr;
    QPushButton* m_downloadPage = nullptr;
    QPushButton* m_notesLink = nullptr;
};

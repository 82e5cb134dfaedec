// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class ElidedLabel;
class QPushButton;
class QSpinBox;

// Every amount field of the settings pane, here and in SettingsView, is this wide.
inline constexpr int settingsAmountWidth = 64;

// The settings pane's rows for the tidy rule, each bound to its declared
// setting: on or off ("tidyEnabled", QCheckBox), the age ("tidyOlderThanDays",
// QSpinBox), the kinds ("tidyKinds", a QPushButton whose menu checks them),
// where items go ("tidyDestination", QComboBox: "trash" or "archive"; the
// folder in "tidyArchiveFolder", chosen with "tidyChooseFolder"), folders
// ("tidyIncludeFolders") and the recently-opened exclusion
// ("tidyRecentlyUsedDays", 0: none). Turning the rule on or off, or changing
// it, makes its next daily run wait for a preview.
class TidySettingsView : public QWidget {
    Q_OBJECT
public:
    explicit TidySettingsView(QWidget* parent = nullptr);

private:
    QWidget* makeRow(const QString& label, QWidget* field, QWidget* after = nullptr);
    void chooseFolder();
    // What the controls say of the settings as they are now.
    void showRule();

    QCheckBox* m_enabled;
    QWidget* m_rows;
    QSpinBox* m_days;
    QPushButton* m_kinds;
    QComboBox* m_destination;
    QWidget* m_folderRow;
    ElidedLabel* m_folder;
    QCheckBox* m_folders;
    QSpinBox* m_recent;
};

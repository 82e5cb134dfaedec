// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/SettingsView.h"

#include "expiry/ExpiryUnit.h"
#include "platform/AppSettings.h"
#include "popover/TidySettingsView.h"
#include "updates/UpdaterManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int margin = 16;      // around the pane and between its blocks
constexpr int blockSpacing = 8; // between the lines of a block
// Release notes beyond this are for the notes page, not the popover.
constexpr qsizetype maxNotesLength = 280;

// A spin box that takes a typed number out of its range and clamps it when
// the edit ends (5000 becomes 999), where QSpinBox would refuse the keystroke.
class AmountField : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& input, int& pos) const override
    {
        bool ok = false;
        const qint64 number = input.toLongLong(&ok);
        if (ok && (number < minimum() || number > maximum()))
            return QValidator::Intermediate;
        return QSpinBox::validate(input, pos);
    }
    void fixup(QString& input) const override
    {
        bool ok = false;
        const qint64 number = input.toLongLong(&ok);
        if (ok)
            input = QString::number(std::clamp<qint64>(number, minimum(), maximum()));
    }
};

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    return label;
}

QLabel* paragraph(const QString& objectName, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QVBoxLayout* blockLayout(QWidget* block)
{
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(blockSpacing);
    return layout;
}

// The feed's notes are HTML as often as not; shown as plain text, never
// rendered, so a feed cannot make the popover load anything.
QString plainNotes(const QString& notes)
{
    QString text = QTextDocumentFragment::fromHtml(notes).toPlainText().trimmed();
    if (text.size() > maxNotesLength)
        text = text.left(maxNotesLength).trimmed() + QChar(0x2026);
    return text;
}

} // namespace

SettingsView::SettingsView(UpdaterManager& updater, QWidget* parent)
    : QWidget(parent), m_updater(updater)
{
    // More rows than the popover is high: they scroll, never squeeze.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(scroll);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);
    outer->addWidget(scroll);

    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(margin);
    layout->addWidget(makeExpiryBlock());
    const auto divider = [this] {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Plain);
        line->setForegroundRole(QPalette::Mid);
        return line;
    };
    layout->addWidget(divider());
    layout->addWidget(new TidySettingsView(this));
    layout->addWidget(divider());
    layout->addWidget(makeUpdatesBlock());
    layout->addStretch();
    // The way out stays at the foot, however far the rows scroll.
    auto* quit = new QPushButton(QStringLiteral("Quit Vantle"), this);
    quit->setObjectName(QStringLiteral("quit"));
    connect(quit, &QPushButton::clicked, this, &SettingsView::quitRequested);
    auto* foot = new QHBoxLayout;
    foot->setContentsMargins(margin, blockSpacing, margin, margin);
    foot->addWidget(quit);
    foot->addStretch();
    outer->addLayout(foot);
}

QWidget* SettingsView::makeExpiryBlock()
{
    auto* block = new QWidget(this);
    auto* layout = blockLayout(block);
    layout->addWidget(heading(QStringLiteral("Auto-delete temporary files after"), block));

    // The spin box is field and stepper at once; its range is the setting's.
    m_amount = new AmountField(block);
    m_amount->setObjectName(QStringLiteral("expiryValue"));
    m_amount->setAccessibleName(QStringLiteral("Auto-delete temporary files after"));
    m_amount->setRange(int(settings::expiryValue.minimum), int(settings::expiryValue.maximum));
    m_amount->setFixedWidth(settingsAmountWidth);
    const qint64 amount = settings::readInteger(settings::expiryValue);
    m_amount->setValue(int(amount));
    // A stored value the read had to clamp (or could not read) is written back.
    const QVariant stored = settings::open()->value(QLatin1String(settings::expiryValue.key));
    if (stored.isValid() && stored.toString() != QString::number(amount))
        settings::write(settings::expiryValue, amount);

    m_unit = new QComboBox(block);
    m_unit->setObjectName(QStringLiteral("expiryUnit"));
    m_unit->setAccessibleName(QStringLiteral("Time unit"));
    // The labels turn plural with the amount: the box grows with them
    // instead of clipping "Minutes" to the width "Minute" had.
    m_unit->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    for (ExpiryUnit unit : allExpiryUnits)
        m_unit->addItem(QString(), rawValue(unit));
    m_unit->setCurrentIndex(m_unit->findData(rawValue(defaultExpiryUnit())));

    auto* row = new QHBoxLayout;
    row->setSpacing(blockSpacing);
    row->addWidget(m_amount);
    row->addWidget(m_unit);
    row->addStretch();
    layout->addLayout(row);
    m_explanation = paragraph(QStringLiteral("expiryExplanation"), block);
    layout->addWidget(m_explanation);
    auto* notify =
        new QCheckBox(QStringLiteral("Use desktop notifications for new downloads"), block);
    notify->setObjectName(QStringLiteral("notifyNewDownloads"));
    notify->setToolTip(QStringLiteral("Instead of the toast at the top of the screen"));
    notify->setChecked(settings::readBoolean(settings::notifyNewDownloads));
    connect(notify, &QCheckBox::toggled, this,
            [](bool on) { settings::write(settings::notifyNewDownloads, on); });
    layout->addWidget(notify);

    connect(m_amount, &QSpinBox::valueChanged, this, [this](int value) {
        settings::write(settings::expiryValue, value);
        showExpiry();
    });
    connect(m_unit, &QComboBox::activated, this, [this] {
        settings::write(settings::expiryUnit, m_unit->currentData());
        showExpiry();
    });
    showExpiry();
    return block;
}

QWidget* SettingsView::makeUpdatesBlock()
{
    auto* block = new QWidget(this);
    auto* layout = blockLayout(block);
    layout->addWidget(heading(QStringLiteral("Updates"), block));

    m_check = new QPushButton(QStringLiteral("Check for Updates…"), block);
    m_check->setObjectName(QStringLiteral("checkForUpdates"));
    m_check->setEnabled(m_updater.canCheckForUpdates());
    connect(m_check, &QPushButton::clicked, &m_updater, &UpdaterManager::checkForUpdates);
    connect(&m_updater, &UpdaterManager::canCheckForUpdatesChanged, m_check,
            &QPushButton::setEnabled);
    layout->addWidget(m_check, 0, Qt::AlignLeft);

    auto* autoCheck = new QCheckBox(QStringLiteral("Automatically check for updates"), block);
    autoCheck->setObjectName(QStringLiteral("automaticallyChecksForUpdates"));
    autoCheck->setChecked(m_updater.automaticallyChecksForUpdates());
    connect(autoCheck, &QCheckBox::toggled, &m_updater,
            &UpdaterManager::setAutomaticallyChecksForUpdates);
    auto* autoDownload = new QCheckBox(QStringLiteral("Automatically download updates"), block);
    autoDownload->setObjectName(QStringLiteral("automaticallyDownloadsUpdates"));
    autoDownload->setChecked(m_updater.automaticallyDownloadsUpdates());
    connect(autoDownload, &QCheckBox::toggled, &m_updater,
            &UpdaterManager::setAutomaticallyDownloadsUpdates);
    // Without a feed they would promise what the package manager does.
    autoCheck->setEnabled(m_updater.hasFeed());
    autoDownload->setEnabled(m_updater.hasFeed());
    layout->addWidget(autoCheck);
    layout->addWidget(autoDownload);

    m_status = paragraph(QStringLiteral("updateStatus"), block);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse); // the download's path
    m_notes = paragraph(QStringLiteral("releaseNotes"), block);
    layout->addWidget(m_status);
    layout->addWidget(m_notes);

    m_downloadPage = new QPushButton(QStringLiteral("Download page"), block);
    m_downloadPage->setObjectName(QStringLiteral("downloadPage"));
    connect(m_downloadPage, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(m_updater.status().downloadPage); });
    m_notesLink = new QPushButton(QStringLiteral("Release notes"), block);
    m_notesLink->setObjectName(QStringLiteral("releaseNotesLink"));
    connect(m_notesLink, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(m_updater.status().releaseNotesLink); });
    auto* links = new QHBoxLayout;
    links->setSpacing(blockSpacing);
    links->addWidget(m_downloadPage);
    links->addWidget(m_notesLink);
    links->addStretch();
    layout->addLayout(links);

    connect(&m_updater, &UpdaterManager::statusChanged, this, &SettingsView::showUpdateStatus);
    showUpdateStatus();
    return block;
}

void SettingsView::showExpiry()
{
    const int amount = m_amount->value();
    for (int i = 0; i < m_unit->count(); ++i) {
        QString label = unitWord(allExpiryUnits[size_t(i)], amount);
        label[0] = label[0].toUpper();
        m_unit->setItemText(i, label);
    }
    const ExpiryUnit unit =
        expiryUnitFromRaw(m_unit->currentData().toString()).value_or(ExpiryUnit::hours);
    m_explanation->setText(
        QStringLiteral("Files you mark as temporary will be moved to the Trash %1 %2 after you "
                       "mark them.")
            .arg(amount)
            .arg(unitWord(unit, amount)));
}

void SettingsView::showUpdateStatus()
{
    const UpdateStatus& status = m_updater.status();
    // The button itself says that its click was taken.
    m_check->setText(status.state == UpdateState::checking ? QStringLiteral("Checking…")
                                                           : QStringLiteral("Check for Updates…"));
    m_status->setText(m_updater.statusText());
    m_status->setVisible(!m_status->text().isEmpty());
    // The notes and links belong to a newer version only.
    const bool newer = !status.version.isEmpty();
    m_notes->setText(newer ? plainNotes(status.releaseNotes) : QString());
    m_notes->setVisible(!m_notes->text().isEmpty());
    m_downloadPage->setVisible(newer && status.downloadPage.isValid());
    m_notesLink->setVisible(newer && status.releaseNotesLink.isValid());
}

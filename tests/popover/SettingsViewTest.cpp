// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/SettingsView.h"
#include "TestSupport.h"
#include "platform/AppSettings.h"
#include "platform/Paths.h"
#include "updates/UpdaterManager.h"

#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <ranges>

namespace {

QVariant stored(const settings::Declaration& declaration)
{
    return settings::open()->value(QLatin1String(declaration.key));
}

class SettingsViewTest : public testing::Test {
protected:
    void SetUp() override { QFile::remove(paths::settingsFile()); }

    template <typename T> T* child(const SettingsView& view, const char* name)
    {
        T* found = view.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    UpdaterManager m_updater{
        UpdaterOptions{.currentVersion = "1.0", .cacheFolder = testenv::freshFolder("updates")}};
};

TEST_F(SettingsViewTest, ClampsStoredAndTypedAmountsAndWritesThemBack)
{
    const struct {
        QVariant stored;
        const char* typed; // then Return
        int shown;
        QVariant written;
    } cases[] = {
        {0, nullptr, 1, "1"}, {5000, nullptr, 999, "999"},      {QVariant(), nullptr, 1, {}},
        {5, "0", 1, "1"},     {QVariant(), "5000", 999, "999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString() + " / " + (c.typed ? c.typed : ""));
        QFile::remove(paths::settingsFile());
        if (c.stored.isValid())
            settings::write(settings::expiryValue, c.stored);
        SettingsView view(m_updater);
        auto* amount = child<QSpinBox>(view, "expiryValue");
        if (c.typed) {
            amount->selectAll();
            QTest::keyClicks(amount, QLatin1String(c.typed));
            QTest::keyClick(amount, Qt::Key_Return);
        }
        EXPECT_EQ(amount->value(), c.shown);
        EXPECT_EQ(stored(settings::expiryValue).toString(), c.written.toString());
    }
}

TEST_F(SettingsViewTest, UnitItemsFollowTheAmountAndAnUnknownUnitReadsAsHours)
{
    settings::write(settings::expiryValue, 2);
    settings::write(settings::expiryUnit, QStringLiteral("weeks"));
    SettingsView view(m_updater);
    auto* unit = child<QComboBox>(view, "expiryUnit");
    const auto unitItems = [&] {
        return textsOf(std::views::iota(0, unit->count()),
                       [&](int i) { return unit->itemText(i); });
    };
    const auto explains = [&](const char* what) {
        return child<QLabel>(view, "expiryExplanation")->text().contains(what);
    };
    EXPECT_EQ(unit->currentData().toString(), "hours");
    EXPECT_EQ(unitItems(), (QStringList{"Minutes", "Hours", "Days"}));
    EXPECT_TRUE(explains(" 2 hours "));
    EXPECT_EQ(stored(settings::expiryUnit), "weeks");
    child<QSpinBox>(view, "expiryValue")->setValue(1);
    EXPECT_EQ(unitItems(), (QStringList{"Minute", "Hour", "Day"}));
    EXPECT_TRUE(explains(" 1 hour "));
    QTest::keyClick(unit, Qt::Key_Down);
    EXPECT_EQ(stored(settings::expiryUnit), "days");
    EXPECT_TRUE(explains(" 1 day "));
    // Measured with the singular, the box makes room for the plural.
    const int singular = unit->sizeHint().width();
    child<QSpinBox>(view, "expiryValue")->setValue(2);
    EXPECT_GT(unit->sizeHint().width(), singular);
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyGrabber.h"

#include "platform/XcbKeyGrabber.h"

#include <QStringList>

namespace {

// A session without X11: nothing can be taken from other applications.
class NoKeyGrabber final : public KeyGrabber {
public:
    void setGrabbed(const std::vector<Combo>&) override {}
    void setFollowingAlt(bool) override {}
};

QString keyName(std::uint32_t keysym)
{
    switch (keysym) {
    case 0xff08:
        return QStringLiteral("Backspace");
    case 0xff1b:
        return QStringLiteral("Escape");
    case 0x2e:
        return QStringLiteral(".");
    default:
        return keysym < 0x80 ? QString(QChar(char16_t(keysym))).toUpper()
                             : QStringLiteral("0x%1").arg(keysym, 0, 16);
    }
}

} // namespace

QString KeyGrabber::spelled(const Combo& combo)
{
    QString text;
    const std::pair<Modifier, const char*> names[] = {
        {control, "Ctrl+"}, {super, "Super+"}, {shift, "Shift+"}, {alt, "Alt+"}};
    for (const auto& [modifier, name] : names) {
        if (combo.modifiers & modifier)
            text += QLatin1String(name);
    }
    return text + keyName(combo.keysym);
}

QString KeyGrabber::keycap(const QString& spelled)
{
    // The key itself may be "+", so split only before the last character.
    QStringList parts = spelled.left(spelled.size() - 1).split(QLatin1Char('+'));
    parts.last() += spelled.right(1);
    QString text;
    bool wordBefore = false;
    for (const QString& part : std::as_const(parts)) {
        QString shown = part;
        if (part == QLatin1String("Shift"))
            shown = QStringLiteral("⇧");
        else if (part == QLatin1String("Backspace"))
            shown = QStringLiteral("⌫");
        else if (part == QLatin1String("Control"))
            shown = QStringLiteral("Ctrl");
        const bool symbol = shown.size() == 1 && !shown.at(0).isLetterOrNumber();
        // A word runs into a letter after it: a thin space keeps them apart.
        if (wordBefore && !symbol)
            text += QChar(0x2009);
        text += shown;
        wordBefore = shown.size() > 1 && shown.at(0).isLetter();
    }
    return text;
}

std::unique_ptr<KeyGrabber> makeKeyGrabber()
{
    if (const auto x = qtXcbRoot())
        return std::make_unique<XcbKeyGrabber>(*x);
    return std::make_unique<NoKeyGrabber>();
}

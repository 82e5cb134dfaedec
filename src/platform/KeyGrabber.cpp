// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyGrabber.h"

#include "platform/XcbKeyGrabber.h"

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

std::unique_ptr<KeyGrabber> makeKeyGrabber()
{
    if (const auto x = qtXcbRoot())
        return std::make_unique<XcbKeyGrabber>(*x);
    return std::make_unique<NoKeyGrabber>();
}

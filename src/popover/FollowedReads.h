// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// One read at a time: reads asked for while one runs make one more when it
// ends, however many they were. While following, each change asks for one.
class FollowedReads {
public:
    explicit FollowedReads(std::function<void()> start) : m_start(std::move(start)) {}

    bool following() const { return m_following; }
    void setFollowing(bool following)
    {
        m_following = following;
        if (following)
            request();
    }
    // What is read has changed.
    void changed()
    {
        if (m_following)
            request();
    }
    void request()
    {
        if (m_reading) {
            m_again = true;
            return;
        }
        m_reading = true;
        m_start();
    }
    // The read `start` began has ended; a cancelled one (its source stopped) asks for no other.
    void finished(bool cancelled = false)
    {
        m_reading = false;
        if (cancelled || !m_again)
            return;
        m_again = false;
        changed();
    }

private:
    std::function<void()> m_start;
    bool m_following = false;
    bool m_reading = false;
    bool m_again = false;
};

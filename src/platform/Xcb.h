// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>

struct xcb_connection_t;

// Owns a reply (or an error) from xcb.
template <typename T> struct XcbReply {
    T* value;
    explicit XcbReply(T* v) : value(v) {}
    ~XcbReply() { std::free(value); }
    XcbReply(const XcbReply&) = delete;
    XcbReply& operator=(const XcbReply&) = delete;
    T* operator->() const { return value; }
    explicit operator bool() const { return value != nullptr; }
};

// The connection Qt holds and the root window of its screen.
struct XcbRoot {
    xcb_connection_t* connection = nullptr;
    std::uint32_t root = 0;
    int screenNumber = 0;
};
// Nothing when Qt does not run on xcb.
std::optional<XcbRoot> qtXcbRoot();

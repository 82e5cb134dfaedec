#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a running program's notification windows through AT-SPI, as a screen
reader would, and presses their buttons.

  accessible_tree.py PID list          one "role<TAB>name" line for the
                                       notification, then one per child
  accessible_tree.py PID press NAME    does the "Press" action of the child NAME

Waits (up to --timeout seconds) for the accessibility bus, for the program to
register and for a notification with children to show; exits 1 when it does not.
"""
import argparse
import sys
import time

import pyatspi


def notifications(node, depth=0):
    """The notification nodes under `node` (a few levels deep)."""
    if node is None or depth > 6:
        return
    try:
        if node.getRole() == pyatspi.ROLE_NOTIFICATION and node.childCount > 0:
            yield node
            return
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:  # the node went away while it was read
        return
    for child in children:
        yield from notifications(child, depth + 1)


def find_notification(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return next(notifications(app), None)
        except Exception:
            continue
    return None


def wait_for_notification(pid, timeout):
    deadline = time.monotonic() + timeout
    while True:
        try:
            found = find_notification(pid)
        except Exception:  # the registry is still starting
            found = None
        if found is not None:
            return found
        if time.monotonic() > deadline:
            sys.exit("no notification of process %d on the accessibility bus" % pid)
        time.sleep(0.1)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("pid", type=int)
    parser.add_argument("command", choices=["list", "press"])
    parser.add_argument("name", nargs="?")
    parser.add_argument("--timeout", type=float, default=10)
    args = parser.parse_args()

    island = wait_for_notification(args.pid, args.timeout)
    children = [island.getChildAtIndex(i) for i in range(island.childCount)]
    if args.command == "list":
        for node in [island] + children:
            print("%s\t%s" % (node.getRoleName(), node.name))
        return
    for child in children:
        if child.name != args.name:
            continue
        action = child.queryAction()
        for i in range(action.nActions):
            if action.getName(i).lower() == "press":
                sys.exit(0 if action.doAction(i) else "the press was refused")
        sys.exit("%s has no press action" % args.name)
    sys.exit("no child named %s" % args.name)


if __name__ == "__main__":
    main()

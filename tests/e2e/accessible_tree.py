#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A program's notification as a screen reader finds it on the accessibility bus.

  accessible_tree.py PID list          "role<TAB>name" of the notification, then of each child
  accessible_tree.py PID press NAME    does the "Press" action of the child NAME

Waits up to --timeout seconds for the bus, the program and a notification with children.
"""
import argparse
import sys
import time

import pyatspi


def notification(node, depth=0):
    if node is None or depth > 6:
        return None
    if node.getRole() == pyatspi.ROLE_NOTIFICATION and node.childCount > 0:
        return node
    for i in range(node.childCount):
        found = notification(node.getChildAtIndex(i), depth + 1)
        if found is not None:
            return found
    return None


def wait_for_notification(pid, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            desktop = pyatspi.Registry.getDesktop(0)
            apps = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
            for app in apps:
                if app is not None and app.get_process_id() == pid:
                    found = notification(app)
                    if found is not None:
                        return found
        except Exception:  # the registry is starting, or a node went away while read
            pass
        time.sleep(0.1)
    sys.exit("no notification of process %d on the accessibility bus" % pid)


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
    for child in (c for c in children if c.name == args.name):
        action = child.queryAction()
        for i in range(action.nActions):
            if action.getName(i) == "Press":
                sys.exit(0 if action.doAction(i) else "the press was refused")
    sys.exit("no child %s with a Press action" % args.name)


if __name__ == "__main__":
    main()

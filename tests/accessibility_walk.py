#!/usr/bin/python3
"""Walks Talvor's accessibility tree as a screen reader sees it (AT-SPI).

Fails when a control that takes focus has no name, or when the chart's
description does not carry the last reading. Opens every tab first, so the
controls of each are in the tree; the histogram's tab last, for the chart.
"""
import sys
import time

import pyatspi


def find_app(deadline):
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name and app.name.lower().startswith("talvor"):
                return app
        time.sleep(0.2)
    return None


def walk(node, seen):
    try:
        children = list(node)
    except Exception:
        return
    for child in children:
        if child is None:
            continue
        yield child
        yield from walk(child, seen)


def main():
    app = find_app(time.time() + 20)
    if app is None:
        print("no Talvor on the accessibility bus")
        return 1
    tabs = [n for n in walk(app, set()) if n.getRoleName() == "page tab"]
    if len(tabs) < 5:
        print(f"expected five tabs, found {len(tabs)}")
        return 1
    problems = []
    checked = 0
    chart_description = None
    for tab in tabs[1:] + tabs[:1]:
        try:
            tab.queryAction().doAction(0)
        except NotImplementedError:
            tab.querySelection()
        time.sleep(0.8)
        for node in walk(app, set()):
            states = node.getState()
            if node.name == "Signal strength histogram":
                chart_description = node.description
            if not states.contains(pyatspi.STATE_FOCUSABLE) or not states.contains(pyatspi.STATE_SHOWING):
                continue
            checked += 1
            if not node.name.strip():
                parent = node.parent
                problems.append(f"{node.getRoleName()} without a name (description: {node.description!r}, "
                                f"in {parent.getRoleName()} {parent.name!r})")
    print(f"{checked} focusable controls checked; chart: {chart_description!r}")
    for p in sorted(set(problems)):
        print("  " + p)
    if problems:
        return 1
    if not chart_description or not chart_description.startswith("Last reading "):
        print("the chart's description holds no last reading")
        return 1
    return 0


sys.exit(main())

#!/usr/bin/env python3
"""Folder-level include graph of src/: prints every folder edge that closes a loop.

A folder is a directory under src/; an edge A -> B means a file in A includes a header in B.
The graph is checked twice: between folders as they are, and between top-level folders (a
subfolder counted as part of its parent, so toolkit/provider -> random -> toolkit is a loop).
Exit status 1 when either view has a loop, so the test command can run it.
`--edges` also prints every edge of the first view.
"""
import os
import re
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def collapse(folder, depth):
    return folder if depth is None else "/".join(folder.split("/")[:depth])


def folder_edges(depth=None):
    edges = {}
    for directory, _, files in os.walk(ROOT):
        source = collapse(os.path.relpath(directory, ROOT), depth)
        for name in files:
            with open(os.path.join(directory, name), encoding="utf-8") as f:
                text = f.read()
            for header in INCLUDE.findall(text):
                if not os.path.exists(os.path.join(ROOT, header)):
                    continue  # public header or a sibling-relative one
                target = collapse(os.path.dirname(header) or ".", depth)
                if target != source:
                    edges.setdefault(source, {}).setdefault(target, set()).add(
                        f"{source}/{name} -> {header}")
    return edges


def loops(edges):
    """Tarjan's strongly connected components with more than one folder."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on_stack.add(node)
        for nxt in edges.get(node, {}):
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            component = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                component.append(top)
                if top == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for node in sorted(set(edges) | {t for e in edges.values() for t in e}):
        if node not in index:
            visit(node)
    return found


def report(edges):
    components = loops(edges)
    for component in components:
        print("loop between folders: " + ", ".join(component))
        members = set(component)
        for source in component:
            for target, why in sorted(edges.get(source, {}).items()):
                if target in members:
                    for line in sorted(why):
                        print("  " + line)
    return len(components)


def main():
    edges = folder_edges()
    if "--edges" in sys.argv:
        for source in sorted(edges):
            for target in sorted(edges[source]):
                print(f"{source} -> {target}")
    found = report(edges) + report(folder_edges(depth=1))
    if not found:
        print("no loop between the folders of src/")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())

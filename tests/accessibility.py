"""The reader as a screen reader sees it, through AT-SPI: the catalogue's
links and a work's lines with their text, and the ways an assistive
technology opens a link: a press where the link is, and focus with Enter."""
import os
import subprocess
import sys
import time

import pyatspi

reader, works = sys.argv[1], sys.argv[2]


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def find(root, test, what, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        for node in walk(root):
            try:
                if test(node):
                    return node
            except Exception:  # a node that went away meanwhile
                pass
        time.sleep(0.2)
    sys.exit(f"not in the tree: {what}")


def link(name):
    return lambda n: n.getRoleName() == "link" and n.name == name


# The sample collection: works in the order the catalogue lists them.
titles = sorted(f[:-4] for f in os.listdir(works) if f.endswith(".txt"))
with open(os.path.join(works, titles[1] + ".txt"), encoding="utf-8") as f:
    first_words = " ".join(f.readline().split()[:4])

process = subprocess.Popen([reader])
try:
    desktop = pyatspi.Registry.getDesktop(0)
    app = find(desktop, lambda n: n.getRoleName() == "application" and n.name == "sobranie", "the reader")
    find(app, link("Биография"), "the biography link")
    for number, title in enumerate(titles, 1):
        find(app, link(f"{number}) {title}"), f"the link to {title}")

    # A press where the second work's link is opens it: its lines are there.
    x, y, w, h = find(app, link(f"2) {titles[1]}"), "the second link").queryComponent().getExtents(
        pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + h // 2, "b1c")
    find(app, lambda n: first_words in (n.name or ""), f"the line «{first_words}…»")

    # The way back: the focus on the back link, then Enter.
    back = find(app, link("Список произведений"), "the back link")
    actions = back.queryAction()
    actions.doAction([actions.getName(i) for i in range(actions.nActions)].index("SetFocus"))
    time.sleep(0.3)
    pyatspi.Registry.generateKeyboardEvent(0xFF0D, None, pyatspi.KEY_SYM)  # Return
    find(app, link(f"1) {titles[0]}"), "the catalogue again")
    print("the catalogue and a work are exposed, and an assistive technology opens links")
finally:
    process.terminate()
    process.wait(20)

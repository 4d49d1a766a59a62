"""The reader as a screen reader sees it, through AT-SPI: the catalogue's
links and a work's lines with their text, each page named, its heading a
heading and its text readable through the Text interface, the focus event
that announces every new page, and the ways an assistive technology opens a
link: a press where the link is, and focus with Enter."""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

reader, works = sys.argv[1], sys.argv[2]
RETURN, F4 = 0xFF0D, 0xFFC1

focused = []  # (role, name, object) of what took the focus, in order


def on_focus(event):
    if event.detail1:
        try:
            focused.append((event.source.getRoleName(), event.source.name, event.source))
        except Exception:  # gone meanwhile
            pass


def pump():
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def find(root, test, what, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        pump()
        for node in walk(root):
            try:
                if test(node):
                    return node
            except Exception:  # a node that went away meanwhile
                pass
        time.sleep(0.2)
    sys.exit(f"not in the tree: {what}")


def announced(role, name, what, timeout=20):
    """Waits for the focus to move to (role, name), and returns what took
    it; forgets what came before."""
    end = time.time() + timeout
    while time.time() < end:
        pump()
        for r, n, source in focused:
            if (r, n) == (role, name):
                del focused[:]
                return source
        time.sleep(0.1)
    sys.exit(f"no focus event for {what}; focus went to {[(r, n) for r, n, _ in focused]}")


def role(kind, name):
    return lambda n: n.getRoleName() == kind and n.name == name


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


# The sample collection: works in the order the catalogue lists them.
titles = sorted(f[:-4] for f in os.listdir(works) if f.endswith(".txt"))
with open(os.path.join(works, titles[1] + ".txt"), encoding="utf-8") as f:
    first_words = " ".join(f.readline().split()[:4])

pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
process = subprocess.Popen([reader])
try:
    desktop = pyatspi.Registry.getDesktop(0)
    app = find(desktop, lambda n: n.getRoleName() == "application" and n.name == "sobranie", "the reader")
    find(app, role("link", "Биография"), "the biography link")
    for number, title in enumerate(titles, 1):
        find(app, role("link", f"{number}) {title}"), f"the link to {title}")
    frames = [child.name for child in app if child is not None]
    if frames != ["Собрание №1 Лоримунд Э Р"]:
        sys.exit(f"the reader's windows are {frames}, not its one window")

    # Each page has a name, its heading is one, and its text can be read.
    catalogue = find(app, role("document frame", "Список произведений"), "the catalogue's text")
    find(app, role("heading", "Лоримунд Эльвар Ристевин"), "the author's name as a heading")
    if "2) " + titles[1] not in text_of(catalogue):
        sys.exit("the catalogue's text lacks its links")

    # A press where the second work's link is opens it, and says so.
    x, y, w, h = find(app, role("link", f"2) {titles[1]}"), "the second link").queryComponent().getExtents(
        pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + h // 2, "b1c")
    announced("document frame", titles[1], "the work opened")
    find(app, lambda n: first_words in (n.name or ""), f"the line «{first_words}…»")
    find(app, role("document web", titles[1]), "the work's document, named")
    find(app, role("heading", titles[1]), "the work's name as a heading")
    work = find(app, role("document frame", titles[1]), "the work's text")
    if first_words not in text_of(work):
        sys.exit(f"the work's text lacks «{first_words}…»")

    # The way back: the focus on the back link, then Enter; the keyboard
    # starts on the work just read.
    back = find(app, role("link", "Список произведений"), "the back link")
    actions = back.queryAction()
    actions.doAction([actions.getName(i) for i in range(actions.nActions)].index("SetFocus"))
    time.sleep(0.3)
    pyatspi.Registry.generateKeyboardEvent(RETURN, None, pyatspi.KEY_SYM)
    announced("link", f"2) {titles[1]}", "the catalogue, on the work just read")

    # F4 from a work announces the catalogue: the focus moves to another
    # object (a screen reader says nothing of one that stays where it was).
    pyatspi.Registry.generateKeyboardEvent(RETURN, None, pyatspi.KEY_SYM)
    work = announced("document frame", titles[1], "the work opened from the keyboard")
    pyatspi.Registry.generateKeyboardEvent(F4, None, pyatspi.KEY_SYM)
    if announced("document frame", "Список произведений", "the catalogue after F4") == work:
        sys.exit("after F4 the focus stayed on the object the work had")
    print("every page is named, announced and readable, and an assistive technology opens links")
finally:
    process.terminate()
    process.wait(20)

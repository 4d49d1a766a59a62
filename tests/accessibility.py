"""The reader as a screen reader sees it, through AT-SPI: the catalogue's
links and a work's lines with their text, each page named, its heading a
heading and its text readable through the Text interface, the focus event
that announces every new page, and the ways an assistive technology opens a
link: a press where the link is, and focus with Enter; in a long work, the
caret at the line at the top of the screen, what is said where a work opens
again, and find's count said as it changes."""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

reader, works = sys.argv[1], sys.argv[2]
RETURN, F4, PAGE_DOWN = 0xFF0D, 0xFFC1, 0xFF56

focused = []  # (role, name, object) of what took the focus, in order


def on_focus(event):
    if event.detail1:
        try:
            focused.append((event.source.getRoleName(), event.source.name, event.source))
        except Exception:  # gone meanwhile
            pass


carets = []  # (name of the document, offset) of each caret moved
notes = []  # what was said through notifications


def on_caret(event):
    try:
        carets.append((event.source.name, event.detail1))
    except Exception:
        pass


def on_showing(event):
    try:
        if event.detail1 and event.source.getRoleName() == "notification":
            notes.append(event.source.name)
    except Exception:
        pass


def heard(test, what, log, timeout=20):
    """Waits for an entry of log that passes test, and returns it."""
    end = time.time() + timeout
    while time.time() < end:
        pump()
        for entry in log:
            if test(entry):
                return entry
        time.sleep(0.1)
    sys.exit(f"not heard: {what}; heard {log[-5:]}")


def line_at(node, offset):
    text = node.queryText()
    return text.getTextAtOffset(offset, pyatspi.TEXT_BOUNDARY_LINE_START)[0]


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
pyatspi.Registry.registerEventListener(on_caret, "object:text-caret-moved")
pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
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

    # A long work: Page Down moves the caret to the line at the top, which
    # a screen reader then says.
    long_title = "Я длинная"
    number = len(titles) + 1
    link = find(app, role("link", f"{number}) {long_title}"), "the long work's link")
    link.queryAction().doAction([link.queryAction().getName(i)
                                 for i in range(link.queryAction().nActions)].index("SetFocus"))
    time.sleep(0.3)
    pyatspi.Registry.generateKeyboardEvent(RETURN, None, pyatspi.KEY_SYM)
    work = announced("document frame", long_title, "the long work opened")
    time.sleep(1)
    del carets[:]
    for _ in range(3):
        pyatspi.Registry.generateKeyboardEvent(PAGE_DOWN, None, pyatspi.KEY_SYM)
        time.sleep(0.5)
    name, offset = heard(lambda c: c[0] == long_title and c[1] > 0, "the caret after Page Down", carets)
    top = line_at(work, work.queryText().caretOffset)
    if not top.strip().startswith("Строка ") or top.strip() == "Строка 1.":
        sys.exit(f"after Page Down the caret is on «{top}»")
    # Where a screen reader stopped reading (it puts the caret there) the
    # page follows, and that is the place kept.
    read = work.queryText()
    read.setCaretOffset(read.getText(0, -1).index("Строка 200.") + 3)
    time.sleep(1)
    top = line_at(work, read.caretOffset)
    if not top.strip().startswith("Строка 200."):
        sys.exit(f"the caret a screen reader put on line 200 is on «{top}»")
    # Opened again, the work is where it was left, and says so.
    back = find(app, role("link", "Список произведений"), "the long work's back link")
    back.queryAction().doAction([back.queryAction().getName(i)
                                 for i in range(back.queryAction().nActions)].index("SetFocus"))
    time.sleep(0.3)
    pyatspi.Registry.generateKeyboardEvent(RETURN, None, pyatspi.KEY_SYM)
    announced("link", f"{number}) {long_title}", "the catalogue, on the long work")
    del notes[:]
    pyatspi.Registry.generateKeyboardEvent(RETURN, None, pyatspi.KEY_SYM)
    work = announced("document frame", long_title, "the long work opened again")
    heard(lambda n: n.startswith("строка ") and n.endswith(" из 300") and n != "строка 1 из 300",
          "where the work opened", notes)
    if line_at(work, work.queryText().caretOffset) != top:
        sys.exit(f"opened again, the caret is on «{line_at(work, work.queryText().caretOffset)}», not «{top}»")
    # Find: the count and the line of each match are said as they come.
    del notes[:]
    subprocess.run(["xdotool", "key", "ctrl+f"], check=True)
    time.sleep(0.5)
    subprocess.run(["xdotool", "type", "77"], check=True)
    # From the first match on screen (line 200 is at the top), round to the first.
    heard(lambda n: n.startswith("3 из 3: ") and "Строка 277." in n, "the first match's count", notes)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    heard(lambda n: n.startswith("1 из 3: ") and "Строка 77." in n, "the next match's count", notes)
    print("every page is named, announced and readable, and an assistive technology opens links")
finally:
    process.terminate()
    process.wait(20)

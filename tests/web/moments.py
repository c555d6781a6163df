"""The moments of the built-in tour at which the web page's frames are judged against the
native capture's, chosen from the capture's log (invitation-capture --log FILE).

    moments.py LOG_CSV [--source DIR]

Prints one moment a line, in show order: "<frame-index> <still|moving> <label>". "moving"
marks frames in which a panel slides or fades (cross-fades, the pointer's glide, the outro's
credits), which frame-judge compares with a pixel's neighbours. The show's constants are
read from its headers under DIR (default: this repository), so the choice follows them.
Fails, saying what is missing, when the log lacks a moment the tour should have."""

import argparse
import csv
import math
import os
import re
import sys

LOG_FIELDS = ["frame", "time_ms", "phase", "order", "row", "entry", "page", "position"]


class Missing(Exception):
    pass


# --- the show's constants, from the headers that hold them -----------------------------

def read_header(source, name):
    path = os.path.join(source, "show", name)
    try:
        with open(path, encoding="utf-8") as f:
            return path, f.read()
    except OSError as error:
        raise Missing("cannot read %s: %s" % (path, error.strerror))


def number(header, name):
    path, text = header
    found = re.search(r"constexpr\s+[\w:]+\s+%s\s*=\s*(-?[0-9.]+(?:e-?\d+)?)f?\s*;" % name, text)
    if not found:
        raise Missing("cannot find %s in %s" % (name, path))
    return float(found.group(1))


def table(header, name, row_pattern):
    path, text = header
    found = re.search(r"\b%s\s*=\s*\{\{?(.*?)\}?\};" % name, text, re.S)
    rows = re.findall(row_pattern, found.group(1)) if found else []
    if not rows:
        raise Missing("cannot find the table %s in %s" % (name, path))
    return rows


def show_constants(source):
    menu, intro, outro = (read_header(source, n) for n in ("menu.h", "intro.h", "outro.h"))
    entries = table(menu, "MENU_ENTRIES",
                    r'\{\s*(-?\d+),\s*(-?\d+),\s*(-?\d+),\s*SceneNumber\([^)]*\),\s*"([^"]+)"\s*\}')
    return {
        # (position, last page, page file stem) by entry number
        "entries": [(int(p), int(last), stem) for p, _, last, stem in entries],
        "pointer_y": [float(y) for y in table(menu, "POINTER_Y", r"(-?[0-9.]+)f?")],
        "pointer_start_y": number(menu, "POINTER_START_Y"),
        "menu_rate": number(menu, "MENU_RATE"),
        "button_ms": number(menu, "BUTTON_SHOW_MS"),
        "previous_position": int(number(menu, "PREVIOUS_PAGE_POSITION")),
        "next_position": int(number(menu, "NEXT_PAGE_POSITION")),
        "logo_rows": [int(r) for r in table(intro, "INTRO_LOGO_STEPS", r"\{\s*(\d+),\s*SceneNumber")],
        "intro_end_order": int(number(intro, "INTRO_END_ORDER")),
        "outro_rate": number(outro, "OUTRO_RATE"),
        "blink_ms": int(number(outro, "BLINK_PERIOD_MS")),
        "fade_stage": int(number(outro, "OUTRO_FADE_STAGE")),
        "end_stage": int(number(outro, "OUTRO_END_STAGE")),
        "credit_stages": int(number(outro, "OUTRO_CREDIT_STAGES")),
    }


# --- the log -------------------------------------------------------------------------

def read_log(path):
    try:
        with open(path, newline="", encoding="utf-8") as f:
            reader = csv.reader(f)
            header = next(reader, None)
            if header != LOG_FIELDS:
                raise Missing("%s does not start with the capture log's header %s" % (path, ",".join(LOG_FIELDS)))
            frames = []
            for line, fields in enumerate(reader, start=2):
                try:
                    frame = dict(zip(LOG_FIELDS, fields), time_ms=float(fields[1]))
                    for key in ("frame", "order", "row", "entry", "page", "position"):
                        frame[key] = int(frame[key])
                except (ValueError, IndexError, KeyError):
                    raise Missing("%s:%d is not a capture log line" % (path, line))
                if len(fields) != len(LOG_FIELDS) or frame["frame"] != len(frames):
                    raise Missing("%s:%d is not frame %d's line" % (path, line, len(frames)))
                # The show's clock: whole milliseconds of the virtual clock.
                frame["now"] = math.floor(frame["time_ms"] + 1e-6)
                frames.append(frame)
    except OSError as error:
        raise Missing("cannot read %s: %s" % (path, error.strerror))
    return frames


def runs(frames, key):
    """Maximal stretches of consecutive frames with one value of key(frame) (None: none),
    as (value, first index, last index)."""
    stretches = []
    for i, frame in enumerate(frames):
        value = key(frame)
        if stretches and stretches[-1][0] == value and stretches[-1][2] == i - 1:
            stretches[-1][2] = i
        elif value is not None:
            stretches.append([value, i, i])
    return [tuple(s) for s in stretches]


def middle(stretch):
    return stretch[1] + (stretch[2] - stretch[1]) // 2


# --- the intro: logo pieces by music row -------------------------------------------------

def intro_moments(frames, show):
    rows = show["logo_rows"]

    def pieces(frame):
        if frame["phase"] != "intro":
            return None
        if frame["order"] >= show["intro_end_order"]:
            return len(rows)
        return sum(frame["row"] >= row for row in rows)

    stretches = runs(frames, pieces)
    moments = []
    for count in range(len(rows) + 1):
        stretch = next((s for s in stretches if s[0] == count), None)
        if stretch is None:
            raise Missing("the log's intro never shows %d of the logo's %d pieces" % (count, len(rows)))
        if count > 0:
            moments.append((stretch[1], "still", "intro-piece-%d-appears" % count))
        moments.append((middle(stretch), "still", "intro-logo-%d-of-%d" % (count, len(rows))))
    return moments


# --- the menu: what moves in each frame, as show/menu.cpp moves it ------------------------

def menu_motion(frames, show):
    """For each menu frame: (entry, page, position, fading, gliding, lit button, new page
    brightness). The log shows a page change, not the select that caused it: a select that
    changes nothing restarts the fade unseen, which the tour never does."""
    rate, pointer_y = show["menu_rate"], show["pointer_y"]
    motion = {}
    state = None
    for i, frame in enumerate(frames):
        if frame["phase"] != "menu":
            continue
        shown = (frame["entry"], frame["page"])
        if state is None:
            state = {"shown": shown, "old_shown": None, "new": 1.0, "old": 0.0, "button": None, "button_left": 0.0,
                     "pointer": show["pointer_start_y"], "now": frame["now"]}
        dt = frame["now"] - state["now"]
        state["now"] = frame["now"]
        if shown != state["shown"]:
            if shown[0] == state["shown"][0]:
                position = frame["position"]
                state["button"] = {show["previous_position"]: "previous", show["next_position"]: "next"}.get(position)
                state["button_left"] = show["button_ms"]
            state["shown"] = shown
            state["new"], state["old"] = 0.0, 1.0
        if state["old_shown"] != shown:
            state["new"] = min(state["new"] + rate * dt, 1.0)
            state["old"] -= rate * dt
            if state["old"] < 0:
                state["old"], state["old_shown"] = 0.0, shown
        fading = state["new"] < 1.0 or state["old"] > 0.0
        lit = state["button"]
        if state["button"]:
            state["button_left"] = max(state["button_left"] - dt, 0.0)
            if state["button_left"] == 0.0:
                state["button"] = None
        before, target = state["pointer"], pointer_y[frame["position"]]
        if before < target:
            state["pointer"] = min(before + rate * dt, target)
        elif before > target:
            state["pointer"] = max(before - rate * dt, target)
        gliding = state["pointer"] != before or state["pointer"] != target
        motion[i] = (shown, fading, gliding, lit, state["new"])
    return motion


def menu_moments(frames, show):
    motion = menu_motion(frames, show)
    if not motion:
        raise Missing("the log has no menu frames")
    entries = show["entries"]

    def page_name(shown):
        entry, page = shown
        return "%s-%d" % (entries[entry][2], page + 1)

    moments = []
    # Each page at rest: the middle of the longest stretch in which nothing moves or is lit.
    settled = runs(frames, lambda f: (motion[f["frame"]][0] if f["frame"] in motion and
                                      not any(motion[f["frame"]][1:4]) else None))
    wanted = [(e, p) for e in range(len(entries)) for p in range(entries[e][1] + 1)]
    missing = []
    for shown in wanted:
        stretches = [s for s in settled if s[0] == shown]
        if not stretches:
            missing.append(page_name(shown))
            continue
        longest = max(stretches, key=lambda s: s[2] - s[1])
        moments.append((middle(longest), "still", "page-" + page_name(shown)))
    if missing:
        raise Missing("the log shows %d of the menu's %d pages at rest; never: %s"
                      % (len(wanted) - len(missing), len(wanted), ", ".join(missing)))

    def kind(i):
        return "moving" if motion[i][1] or motion[i][2] else "still"

    # Cross-fades halfway: the first turn of a page within an entry and the first change of entry.
    fades = runs(frames, lambda f: motion[f["frame"]][0] if f["frame"] in motion and motion[f["frame"]][1] else None)
    for within in (True, False):
        for value, first, last in fades:
            before = motion.get(first - 1)
            if before is None or (before[0][0] == value[0]) != within:
                continue
            half = min(range(first, last + 1), key=lambda i: abs(motion[i][4] - 0.5))
            moments.append((half, kind(half), "crossfade-%s-to-%s" % (page_name(before[0]), page_name(value))))
            break
        else:
            raise Missing("the log has no cross-fade %s" % ("between pages of an entry" if within else
                                                            "from one entry to another"))

    lit = runs(frames, lambda f: motion[f["frame"]][3] if f["frame"] in motion else None)
    if not lit:
        raise Missing("the log has no page button lit")
    moments.append((middle(lit[0]), kind(middle(lit[0])), "button-%s-lit" % lit[0][0]))

    # The pointer's glide from where the menu starts it, and the first from one position to another.
    glides = runs(frames, lambda f: f["position"] if f["frame"] in motion and motion[f["frame"]][2] else None)
    first_menu = min(motion)
    from_start = [g for g in glides if g[1] == first_menu]
    between = [g for g in glides if g[1] != first_menu and not motion[middle(g)][1]]
    if not from_start or not between:
        raise Missing("the log has no pointer glide %s" % ("from the menu's start" if not from_start else
                                                         "between positions while the page rests"))
    moments.append((middle(from_start[0]), "moving", "glide-from-start-to-%d" % from_start[0][0]))
    g = between[0]
    moments.append((middle(g), "moving", "glide-%d-to-%d" % (frames[g[1] - 1]["position"], g[0])))
    return moments


# --- the outro: credits sliding, then the fade --------------------------------------------

def outro_moments(frames, show):
    outro = [i for i, f in enumerate(frames) if f["phase"] == "outro"]
    if not outro:
        raise Missing("the log has no outro")
    start = frames[outro[0]]["now"]
    rate, blink = show["outro_rate"], show["blink_ms"]
    if frames[outro[-1]]["now"] - start < show["end_stage"] / rate:
        raise Missing("the log ends %d ms into the outro, before its end at %d ms"
                      % (frames[outro[-1]]["now"] - start, show["end_stage"] / rate))

    def nearest(t):
        # Halfway between two turns of the blink, so a frame's time rounded either way shows the same.
        t = (t // blink) * blink + blink // 2
        return min(outro, key=lambda i: abs(frames[i]["now"] - start - t))

    moments = [(nearest((stage + 0.5) / rate), "moving", "credits-%d" % (stage + 1))
               for stage in range(show["credit_stages"])]
    moments.append((nearest((show["fade_stage"] + 0.5) / rate), "still", "outro-fade-half"))
    moments.append((outro[-1], "still", "outro-end-black"))
    return moments


def choose_moments(frames, show):
    moments = intro_moments(frames, show) + menu_moments(frames, show) + outro_moments(frames, show)
    return sorted(moments)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("log", help="the capture's CSV log")
    parser.add_argument("--source", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."),
                        help="the repository whose show/ headers hold the show's constants")
    arguments = parser.parse_args()
    try:
        moments = choose_moments(read_log(arguments.log), show_constants(arguments.source))
    except Missing as error:
        print("moments.py: %s" % error, file=sys.stderr)
        return 1
    for frame, kind, label in moments:
        print(frame, kind, label)
    return 0


if __name__ == "__main__":
    sys.exit(main())

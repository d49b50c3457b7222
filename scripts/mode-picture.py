#!/usr/bin/env python3
"""Draws one run of the tool as an SVG picture: what the host passed (the indicated points,
the first line it picked, its angle) and what the tool wrote back (lines clipped to the view,
the point mark, the circle or ellipse), with a caption. Every number is written with a fixed
format, so the same run always gives the same bytes.

Usage: mode-picture.py <input exchange file> <output exchange file> <arguments> <exit status>
                       [<settings file the dialog started from>]
"""
import math
import os
import sys

README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "README.md")
WIDTH, HEIGHT = 400, 280  # the view; the caption goes below it
INPUT, OUTPUT = "#777777", "#1560bd"


def num(value):
    """At most two decimals, no trailing zeros, never "-0"."""
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def mode_names(readme=README):
    """The modes' names as the README's table gives them: | `/R4 ANGLE` | Line at ... |"""
    names = {}
    with open(readme, encoding="utf-8") as file:
        for row in file:
            cells = [cell.strip() for cell in row.split("|")]
            if len(cells) > 3 and cells[1].startswith("`/R"):
                names[cells[1].strip("`").split()[0]] = cells[2]
    return names


def numbers(fields):
    try:
        return [float(field) for field in fields]
    except ValueError:
        return None


def read_lines(path):
    with open(path, "rb") as file:
        return [line.decode("latin-1").split() for line in file.read().splitlines()]


def read_input(path):
    points, host_angle, picked = {}, None, None
    for fields in read_lines(path):
        if fields and fields[0].startswith("hp") and fields[0][2:].isdigit():
            points[f"P{int(fields[0][2:])}"] = tuple(numbers(fields[1:3]))
        elif fields and fields[0] == "hk":
            host_angle = float(fields[1])
        elif picked is None and len(fields) == 4 and numbers(fields):
            picked = numbers(fields)
    return points, host_angle, picked


def read_output(path):
    shapes = []
    for fields in read_lines(path):
        values = numbers(fields[1:]) if fields else None
        if len(fields) == 4 and numbers(fields):
            shapes.append(("line", numbers(fields)))
        elif fields and fields[0] in ("pt", "ci") and values:
            shapes.append((fields[0], values))
    return shapes


def view_of(points, picked, shapes):
    """Centre and scale that show every finite thing with a margin around it."""
    xs, ys = [p[0] for p in points.values()], [p[1] for p in points.values()]
    if picked:
        xs += picked[0::2]
        ys += picked[1::2]
    for kind, values in shapes:
        if kind != "line":
            reach = values[2] if kind == "ci" and len(values) > 2 else 0
            xs += [values[0] - reach, values[0] + reach]
            ys += [values[1] - reach, values[1] + reach]
    xs, ys = xs or [0], ys or [0]
    span = max(max(xs) - min(xs), max(ys) - min(ys), 100) * 1.5
    centre = ((max(xs) + min(xs)) / 2, (max(ys) + min(ys)) / 2)
    return centre, min(WIDTH, HEIGHT) / span


def clip(x1, y1, x2, y2):
    """The part of the segment inside the view (Liang-Barsky), or None."""
    low, high, dx, dy = 0.0, 1.0, x2 - x1, y2 - y1
    for p, q in ((-dx, x1), (dx, WIDTH - x1), (-dy, y1), (dy, HEIGHT - y1)):
        if p == 0:
            if q < 0:
                return None
            continue
        t = q / p
        if p < 0:
            low = max(low, t)
        else:
            high = min(high, t)
    if low > high:
        return None
    return x1 + low * dx, y1 + low * dy, x1 + high * dx, y1 + high * dy


class Picture:
    """SVG elements in view coordinates: y grows downwards, the drawing's y upwards."""

    def __init__(self, centre, scale):
        self.centre, self.scale, self.elements = centre, scale, []

    def x(self, x):
        return WIDTH / 2 + (x - self.centre[0]) * self.scale

    def y(self, y):
        return HEIGHT / 2 - (y - self.centre[1]) * self.scale

    def line(self, x1, y1, x2, y2, style):
        self.elements.append(
            f'<line x1="{num(x1)}" y1="{num(y1)}" x2="{num(x2)}" y2="{num(y2)}" {style}/>')

    def label(self, x, y, text, colour):
        self.elements.append(f'<text x="{num(x)}" y="{num(y)}" fill="{colour}">{text}</text>')


def draw_input(pic, points, host_angle, picked):
    """The picked line and the host angle; returns their description."""
    given = []
    if picked:
        pic.line(pic.x(picked[0]), pic.y(picked[1]), pic.x(picked[2]), pic.y(picked[3]),
                 f'stroke="{INPUT}" stroke-width="4"')
        pic.label(pic.x(picked[2]) + 6, pic.y(picked[3]) + 4, "line", INPUT)
        given.append("line ({}, {})-({}, {})".format(*map(num, picked)))
    if host_angle is not None:
        ox, oy = points.get("P1", (0, 0))
        a = math.radians(host_angle)
        x2, y2 = pic.x(ox) + 110 * math.cos(a), pic.y(oy) - 110 * math.sin(a)
        pic.line(pic.x(ox), pic.y(oy), x2, y2, f'stroke="{INPUT}" stroke-dasharray="5,3"')
        pic.label(x2 + 4, y2, f"hk {num(host_angle)}°", INPUT)
        given.append(f"host angle {num(host_angle)}°")
    return given


def draw_output(pic, shapes):
    """What the tool wrote; returns its description."""
    written, pen = [], f'stroke="{OUTPUT}" stroke-width="2"'
    for kind, values in shapes:
        x, y = pic.x(values[0]), pic.y(values[1])
        if kind == "line":
            a = math.degrees(math.atan2(values[1] - values[3], values[0] - values[2])) % 180
            part = clip(x, y, pic.x(values[2]), pic.y(values[3]))
            if part:
                pic.line(*part, pen)
            written.append(f"a line at {num(a)}°")
        elif kind == "pt":
            pic.line(x - 9, y - 9, x + 9, y + 9, pen)
            pic.line(x - 9, y + 9, x + 9, y - 9, pen)
            written.append(f"a point at ({num(values[0])}, {num(values[1])})")
        elif len(values) >= 7:
            r, ratio, tilt = values[2], values[5], values[6]
            pic.elements.append(
                f'<ellipse cx="{num(x)}" cy="{num(y)}" rx="{num(r * pic.scale)}" '
                f'ry="{num(r * ratio * pic.scale)}" transform="rotate({num(-tilt)} {num(x)} '
                f'{num(y)})" fill="none" {pen}/>')
            dx, dy = (r * pic.scale * f(math.radians(tilt)) for f in (math.cos, math.sin))
            pic.line(x - dx, y + dy, x + dx, y - dy, f'stroke="{OUTPUT}" stroke-dasharray="2,3"')
            written.append(f"an ellipse, radius {num(r)}, ratio {num(ratio)}, tilt {num(tilt)}°")
        else:
            pic.elements.append(f'<circle cx="{num(x)}" cy="{num(y)}" '
                                f'r="{num(values[2] * pic.scale)}" fill="none" {pen}/>')
            written.append(f"a circle of radius {num(values[2])}")
    return written


def draw(in_path, out_path, args, status, settings_path=None):
    points, host_angle, picked = read_input(in_path)
    shapes = read_output(out_path)
    pic = Picture(*view_of(points, picked, shapes))
    given = draw_input(pic, points, host_angle, picked)
    written = draw_output(pic, shapes)
    for name, (x, y) in sorted(points.items()):
        pic.elements.append(
            f'<circle cx="{num(pic.x(x))}" cy="{num(pic.y(y))}" r="3.5" fill="black"/>')
        pic.label(pic.x(x) + 7, pic.y(y) + 16, f"{name} ({num(x)}, {num(y)})", "black")
    mode, angle = (args.split() + ["", ""])[:2]
    given = [f"{n} ({num(p[0])}, {num(p[1])})" for n, p in sorted(points.items())] + given
    if angle:
        given.append(f"argument {angle}°")
    caption = [f"auxline {args}: {mode_names().get(mode, 'nothing')} (exit status {status})",
               "given: " + (", ".join(given) or "-")]
    if settings_path:
        radius, ratio, tilt = [fields[0] for fields in read_lines(settings_path)[4:7]]
        caption.append(f"dialog: radius {radius}, ratio {ratio}, angle {tilt}°, then OK")
    caption.append("written: " + (", ".join(written) or "nothing"))
    height = HEIGHT + 18 * len(caption) + 8
    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{height}" '
           f'viewBox="0 0 {WIDTH} {height}" font-family="sans-serif" font-size="12">',
           f'<rect width="{WIDTH}" height="{height}" fill="white"/>',
           f'<rect width="{WIDTH}" height="{HEIGHT}" fill="#f4f8fc" stroke="#c8d4e0"/>']
    out += pic.elements
    out += [f'<text x="6" y="{HEIGHT + 18 * (i + 1)}">{text}</text>'
            for i, text in enumerate(caption)]
    return "\n".join(out + ["</svg>", ""])


if __name__ == "__main__":
    sys.stdout.write(draw(*sys.argv[1:6]))

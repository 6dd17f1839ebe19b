#!/usr/bin/python3
"""Writes the game's models (Model/*.mqo) as MQO text: CR LF line ends,
untextured materials with a colour of alpha 1, up along +z, one object per
frame. Faces list their corners clockwise seen from outside."""

import math
import os
import sys

HEADER = "Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n"


def number(value):
    text = "%.4f" % value
    return "0.0000" if text == "-0.0000" else text


class Shape:
    """Vertices and faces of one object, each face with a material index."""

    def __init__(self):
        self.vertices = []
        self.faces = []

    def add_box(self, x0, y0, z0, x1, y1, z1, material):
        base = len(self.vertices)
        for z in (z0, z1):
            for y in (y0, y1):
                for x in (x0, x1):
                    self.vertices.append((x, y, z))
        # Corners: bit 0 x, bit 1 y, bit 2 z; each side clockwise from outside.
        sides = [(0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5)]
        for side in sides:
            self.faces.append(([base + corner for corner in side], material))

    def add_sphere(self, cx, cy, cz, radius, material, rings=6, segments=8):
        base = len(self.vertices)
        self.vertices.append((cx, cy, cz - radius))
        for ring in range(1, rings):
            angle = math.pi * ring / rings
            for segment in range(segments):
                turn = 2 * math.pi * segment / segments
                self.vertices.append((cx + radius * math.sin(angle) * math.cos(turn),
                                      cy + radius * math.sin(angle) * math.sin(turn),
                                      cz - radius * math.cos(angle)))
        top = len(self.vertices)
        self.vertices.append((cx, cy, cz + radius))

        def at(ring, segment):
            return base + 1 + (ring - 1) * segments + segment % segments

        for segment in range(segments):
            self.faces.append(([base, at(1, segment + 1), at(1, segment)], material))
            self.faces.append(([top, at(rings - 1, segment), at(rings - 1, segment + 1)], material))
            for ring in range(1, rings - 1):
                self.faces.append(([at(ring, segment), at(ring, segment + 1), at(ring + 1, segment + 1),
                                    at(ring + 1, segment)], material))

    def add_polygon(self, points, z, material):
        base = len(self.vertices)
        for (x, y) in points:
            self.vertices.append((x, y, z))
        self.faces.append(([base + i for i in range(len(points))], material))


def document(materials, objects):
    """materials: (name, (r, g, b)); objects: (name, Shape)."""
    out = [HEADER, "Material %d {\r\n" % len(materials)]
    for (name, (r, g, b)) in materials:
        out.append('\t"%s" col(%s %s %s 1.0000) dif(0.8000) amb(0.6000) emi(0.0000) spc(0.0000) '
                   'power(5.00)\r\n' % (name, number(r), number(g), number(b)))
    out.append("}\r\n")
    for (name, shape) in objects:
        out.append('Object "%s" {\r\n\tdepth 0\r\n\tvisible 15\r\n\tfacet 59.5\r\n' % name)
        out.append("\tvertex %d {\r\n" % len(shape.vertices))
        for (x, y, z) in shape.vertices:
            out.append("\t\t%s %s %s\r\n" % (number(x), number(y), number(z)))
        out.append("\t}\r\n\tface %d {\r\n" % len(shape.faces))
        for (corners, material) in shape.faces:
            out.append("\t\t%d V(%s) M(%d)\r\n" % (len(corners), " ".join(str(c) for c in corners),
                                                   material))
        out.append("\t}\r\n}\r\n")
    out.append("Eof\r\n")
    return "".join(out)


def cube(material, size=32.0):
    shape = Shape()
    half = size / 2
    shape.add_box(-half, -half, 0.0, half, half, size, material)
    return shape


def player():
    bar, left, right, ball = Shape(), Shape(), Shape(), Shape()
    bar.add_box(-32.0, -8.0, 0.0, 32.0, 8.0, 16.0, 0)
    left.add_box(-40.0, -8.0, 0.0, -32.0, 8.0, 16.0, 1)
    right.add_box(32.0, -8.0, 0.0, 40.0, 8.0, 16.0, 1)
    ball.add_sphere(0.0, 16.0, 8.0, 8.0, 2)
    return document([("bar", (0, 0.5, 1)), ("cap", (1, 1, 1)), ("ball", (1, 0.2, 0.2))],
                    [("bar", bar), ("left", left), ("right", right), ("ball", ball)])


def tile(arrow_colour):
    shape = Shape()
    shape.add_polygon([(-16, -16), (-16, 16), (16, 16), (16, -16)], 0.5, 0)
    shape.add_polygon([(-8, -6), (-8, 4), (8, 4), (8, -6)], 1.0, 1)
    shape.add_polygon([(-14, 4), (0, 15), (14, 4)], 1.0, 1)
    return document([("tile", (0.3, 0.3, 0.3)), ("arrow", arrow_colour)], [("tile", shape)])


def ball():
    shape = Shape()
    shape.add_sphere(0.0, 0.0, 8.0, 8.0, 0)
    return document([("ball", (1, 0.2, 0.2))], [("ball", shape)])


MODELS = {
    "Player": player,
    "Ball": ball,
    "block": lambda: document(
        [("life1", (0.2, 0.8, 0.2)), ("life2", (0.9, 0.9, 0.2)), ("life3", (0.9, 0.4, 0.1))],
        [("life1", cube(0)), ("life2", cube(1)), ("life3", cube(2))]),
    "BomBlock": lambda: document([("idle", (0.5, 0.1, 0.1)), ("lit", (1.0, 0.9, 0.2))],
                                 [("idle", cube(0)), ("lit", cube(1))]),
    "HardBlock": lambda: document([("hard", (0.6, 0.6, 0.6))], [("hard", cube(0))]),
    "BadBlock": lambda: document([("bad", (0.6, 0.1, 0.8))], [("bad", cube(0))]),
    "SpeedUp": lambda: tile((0.1, 0.9, 0.9)),
    "Turnabout": lambda: tile((1.0, 0.5, 0.0)),
}


def write(root):
    folder = os.path.join(root, "Model")
    os.makedirs(folder, exist_ok=True)
    for name, make in MODELS.items():
        with open(os.path.join(folder, name + ".mqo"), "wb") as out:
            out.write(make().encode("ascii"))


if __name__ == "__main__":
    write(sys.argv[1])

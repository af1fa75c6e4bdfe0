# Reading the ID pass's list that Kivren2 writes beside a take that records
# the Custom pass, "<name> - custom pass.json": every mesh of the ID pass with
# its hash and the exact colour it is drawn in, and the debug highlight.
# Kept free of Blender's modules.

import json
import re

_HASH = re.compile(r"[0-9a-f]{1,16}")


class ManifestError(Exception):
    pass


class IdMesh:
    __slots__ = ("hash", "colour", "colour_8bit")

    def __init__(self, hash, colour, colour_8bit):
        self.hash = hash
        self.colour = colour
        self.colour_8bit = colour_8bit

    def key_colour(self):
        """The colour its pixels hold in the video, channels 0 to 1."""
        return tuple(c / 255.0 for c in self.colour_8bit)


class Manifest:
    __slots__ = ("take", "prores_4444", "meshes", "highlight")

    def __init__(self, take, prores_4444, meshes, highlight):
        self.take = take
        self.prores_4444 = prores_4444
        self.meshes = meshes
        self.highlight = highlight


def _colour(value, where):
    colour = value.get("colour") if isinstance(value, dict) else None
    colour_8bit = value.get("colour_8bit") if isinstance(value, dict) else None
    if (not isinstance(colour, list) or len(colour) != 3 or
            not all(isinstance(c, (int, float)) and not isinstance(c, bool) for c in colour)):
        raise ManifestError("%s: \"colour\" is not three numbers" % where)
    if (not isinstance(colour_8bit, list) or len(colour_8bit) != 3 or
            not all(isinstance(c, int) and not isinstance(c, bool) and 0 <= c <= 255
                    for c in colour_8bit)):
        raise ManifestError("%s: \"colour_8bit\" is not three whole numbers from 0 to 255" % where)
    return tuple(float(c) for c in colour), tuple(colour_8bit)


def parse_manifest(text):
    try:
        data = json.loads(text)
    except ValueError as error:
        raise ManifestError("is not JSON: %s" % error) from None
    if not isinstance(data, dict):
        raise ManifestError("is not a JSON object")
    meshes = data.get("meshes")
    if not isinstance(meshes, list):
        raise ManifestError("has no \"meshes\" list")
    parsed = []
    for index, mesh in enumerate(meshes):
        where = "mesh %d" % (index + 1)
        hash = mesh.get("hash") if isinstance(mesh, dict) else None
        if not isinstance(hash, str) or not _HASH.fullmatch(hash):
            raise ManifestError("%s: \"hash\" is not a hexadecimal mesh hash" % where)
        parsed.append(IdMesh(hash, *_colour(mesh, where + " (%s)" % hash)))
    highlight = _colour(data.get("highlight"), "highlight")
    return Manifest(str(data.get("take", "")), data.get("prores") == "4444", parsed,
                    IdMesh("highlight", *highlight))


def read_manifest(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as error:
        raise ManifestError("cannot be read: %s" % error.strerror) from error
    # The take's name is in the system's code page; only it can hold other bytes.
    return parse_manifest(data.decode("utf-8", errors="replace"))

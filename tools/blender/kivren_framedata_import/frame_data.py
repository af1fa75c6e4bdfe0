# Reading the frame data log that Kivren2 records beside its videos. Kept
# free of Blender's modules so that it reads the same way anywhere.
#
# The file is a run of entries, each ended by "|": entry N belongs to frame N
# of the Main video. An entry is either empty (captured while no replay was
# showing) or a run of groups ended by ";": the camera (location X, Y, Z,
# quaternion X, Y, Z, W, horizontal field of view in degrees), the ball
# (location, quaternion), then one group per car. Numbers are separated by ","
# and printed as C's "%g"; there is no whitespace. Locations are Unreal units
# in the game's left-handed frame (X forward, Y right, Z up).

import math
import re
import struct

ENTRY_END = "|"
GROUP_END = ";"
NUMBER_SEPARATOR = ","
CAMERA_GROUP_SIZE = 8
ACTOR_GROUP_SIZE = 7

NUMBER_NAMES = (
    "location X", "location Y", "location Z",
    "quaternion X", "quaternion Y", "quaternion Z", "quaternion W",
    "field of view",
)

# Python's float() also takes spaces, underscores and words such as "inf";
# the log never holds them, so a number must look like "%g" output.
_NUMBER = re.compile(r"-?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?")

# A damaged digit shows in the quaternion's length; the writer's own rounding
# stays below 1e-6.
_QUATERNION_LENGTH_TOLERANCE = 1e-3

# The game's numbers are 32-bit floats; none is larger than this.
_FLOAT32_MAX = 3.4028234663852886e38

# What the end of the file leaves of a number it cuts: its start, perhaps with
# a line break that an editor put at the end of the file.
_CUT_NUMBER = re.compile(r"-?\d*(?:\.\d*)?(?:[eE][-+]?\d*)?\r?\n?")


class FrameDataError(Exception):
    """The first problem of a file, with its place: line and column (from 1)
    in a text editor, and the entry, which is also the frame of the video."""

    def __init__(self, line, column, entry, message):
        super().__init__(message)
        self.line = line
        self.column = column
        self.entry = entry
        self.message = message

    def __str__(self):
        if self.line == 0:
            return self.message
        if self.entry == 0:
            return "line %d, column %d: %s" % (self.line, self.column, self.message)
        return "line %d, column %d: entry %d: %s" % (
            self.line, self.column, self.entry, self.message)


class FrameEntries(list):
    """One item per entry; cut_off is the FrameDataError that names the last
    entry when the file ends inside it (that entry is not in the list)."""

    cut_off = None


class _CutOff(Exception):
    pass


class Pose:
    __slots__ = ("location", "quaternion")

    def __init__(self, numbers):
        self.location = tuple(numbers[0:3])
        self.quaternion = tuple(numbers[3:7])  # X, Y, Z, W as written


class Entry:
    """One frame with a replay: the camera, its field of view, ball and cars."""

    __slots__ = ("camera", "field_of_view", "ball", "cars")

    def __init__(self, camera, field_of_view, ball, cars):
        self.camera = camera
        self.field_of_view = field_of_view
        self.ball = ball
        self.cars = cars


def _group_name(group):
    if group == 0:
        return "camera group"
    if group == 1:
        return "ball group"
    return "car %d group" % (group - 1)


def _describe(text):
    if not text:
        return "nothing"
    if not " " <= text[0] <= "~":
        return "the byte 0x%02x" % ord(text[0])
    shown = text[:24]
    for i, c in enumerate(shown):
        if not " " <= c <= "~":
            shown = shown[:i]
            break
    return '"%s"' % shown


class _Parser:
    def __init__(self, text):
        self.text = text
        self.line = 1
        self.line_start = 0
        self.entry = 0
        self.last_entry = False

    def fail(self, at, message, cut_from=None):
        error = FrameDataError(self.line, at - self.line_start + 1, self.entry, message)
        # A failure that more of the file could have avoided, in a last entry
        # whose rest from cut_from on is only the start of a number, is the
        # end of a recording that was cut off: the entries before it stand.
        if cut_from is not None and self.last_entry and _CUT_NUMBER.fullmatch(self.text, cut_from):
            error.message = "the file ends inside this entry, before its '|'"
            raise _CutOff(error)
        raise error

    def run(self):
        text = self.text
        entries = FrameEntries()
        pos = 0
        while True:
            # An editor's line breaks, between entries only.
            while text.startswith("\n", pos) or text.startswith("\r\n", pos):
                pos = text.index("\n", pos) + 1
                self.line += 1
                self.line_start = pos
            if pos == len(text):
                break
            self.entry += 1
            end = text.find(ENTRY_END, pos)
            self.last_entry = end < 0
            try:
                entry = None if end == pos else self.parse_entry(pos, len(text) if end < 0 else end)
                if end < 0:
                    self.fail(len(text), "the file ends inside this entry, before its '|'",
                              len(text))
                entries.append(entry)
            except _CutOff as cut:
                if not entries:
                    raise cut.args[0] from None
                entries.cut_off = cut.args[0]
                break
            pos = end + 1
        if not entries:
            raise FrameDataError(0, 0, 0, "holds no frame data entries")
        return entries

    def parse_entry(self, start, stop):
        text = self.text
        poses = []
        field_of_view = 0.0
        pos = start
        group = 0
        while pos < stop:
            size = CAMERA_GROUP_SIZE if group == 0 else ACTOR_GROUP_SIZE
            group_end = text.find(GROUP_END, pos, stop)
            fields = text[pos:stop if group_end < 0 else group_end].split(NUMBER_SEPARATOR)
            numbers = []
            at = pos
            field_of_view_at = pos
            for index, field in enumerate(fields):
                if index == size:
                    self.fail(at, "the %s has more than %d numbers" % (_group_name(group), size))
                if index == 7:
                    field_of_view_at = at
                numbers.append(self.number(field, at, group, index))
                at += len(field) + 1
            if group_end < 0:
                if stop == len(text):
                    self.fail(stop, "the file ends inside this entry, before its '|'", stop)
                self.fail(stop, "%s, after the %s: expected ',' or ';', found '|'"
                          % (_group_name(group), NUMBER_NAMES[len(numbers) - 1]))
            if len(numbers) != size:
                self.fail(group_end, "the %s has %d numbers, expected %d"
                          % (_group_name(group), len(numbers), size))
            self.check(numbers, group, pos, field_of_view_at)
            poses.append(Pose(numbers))
            if group == 0:
                field_of_view = numbers[7]
            pos = group_end + 1
            group += 1
        if group == 1:
            self.fail(stop, "the camera group is not followed by a ball group")
        return Entry(poses[0], field_of_view, poses[1], poses[2:])

    def number(self, field, at, group, index):
        match = _NUMBER.match(field)
        if match and match.end() == len(field):
            value = float(field)
            if math.isfinite(value) and abs(value) <= _FLOAT32_MAX:
                return value
            self.fail(at, '%s, %s: "%s" is out of range' % (
                _group_name(group), NUMBER_NAMES[index], field))
        if match:
            # A number with something stuck to it: the place is the something.
            self.fail(at + match.end(), "%s, after the %s: expected ',' or ';', found %s" % (
                _group_name(group), NUMBER_NAMES[index], _describe(field[match.end():])), at)
        self.fail(at, "%s, %s: expected a number, found %s" % (
            _group_name(group), NUMBER_NAMES[index], _describe(field)), at)

    def check(self, numbers, group, at, field_of_view_at):
        length = math.sqrt(sum(q * q for q in numbers[3:7]))
        if abs(length - 1.0) > _QUATERNION_LENGTH_TOLERANCE:
            self.fail(at, "the %s's quaternion has length %g, not 1" % (_group_name(group), length))
        if group == 0:
            # As the game's 32-bit float, which is what a camera can have.
            fov = struct.unpack("f", struct.pack("f", numbers[7]))[0]
            if not 0.0 < fov < 180.0:
                self.fail(field_of_view_at,
                          "the camera's field of view %g is not between 0 and 180 degrees" % fov)


def parse_frame_data(text):
    """Returns FrameEntries, one item per entry: an Entry, or None for a frame
    captured without a replay. Raises FrameDataError at the first problem;
    an entry that the end of the file cuts off is left out and named in the
    result's cut_off instead."""
    return _Parser(text).run()


def read_frame_data(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as error:
        raise FrameDataError(0, 0, 0, "cannot be read: %s" % error.strerror) from error
    # Latin-1 maps each byte to one character, so columns count bytes and no
    # damaged byte stops the decoding before the check can name its place.
    return parse_frame_data(data.decode("latin-1"))

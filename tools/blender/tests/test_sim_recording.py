# A kivren-sim recording, imported with the add-on, must line up with its own
# Main video: run in the real Blender,
#   blender -b --factory-startup --python-exit-code 1 --python test_sim_recording.py --
#           --sim build/native/bin/kivren-sim --addon-dir tools/blender --work-dir /tmp/x
# The simulator draws the ball and the cars from the same poses it hands the
# plugin, so each object's outline, projected through the imported camera,
# must frame the pixels of that object's colour in the video. Outlines are
# compared by their centres and edges, which catches a camera a pixel or two
# off where "the pixel at the centre has the right colour" would not.

import math
import os
import shutil
import subprocess
import sys
import unittest

import addon_utils
import bpy
from bpy_extras.object_utils import world_to_camera_view
from mathutils import Matrix, Vector

# The simulator's meshes are shaped as the README picture shapes them, in
# the folder above; the source tree must stay free of bytecode.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_runner  # noqa: E402  (puts the folder above on the path)
from render_preview import BALL_RADIUS_UU, CAR_BODIES, box_corners, car_body_boxes  # noqa: E402

ARGS = None
ADDON = "kivren_framedata_import"
WIDTH, HEIGHT = 320, 180
# With the depth, normal and ID passes on (as recorded by default) the Main
# video takes every other game frame: 20 frames, each with its entry.
GAME_FRAMES = 40

# The video's colours are lit (55 % to full brightness) and pass through
# ProRes 4:2:2, so each family is told apart by the ratios of its channels:
# the grey-beige ball is the only near-neutral thing on the pitch that is
# warmer than the white lines, the first car is blue, the second orange; the
# pitch is green, the sky a pale blue.
FAMILIES = {
    "ball": lambda r, g, b: r > 70 and abs(r - g) < 0.1 * r + 4 and 0.04 * r + 2 < r - b < 0.25 * r,
    "car 1": lambda r, g, b: b > 1.5 * g and b > 1.5 * r,
    "car 2": lambda r, g, b: r > 1.4 * g and g > 1.4 * b,
}

# How far, in pixels, the projected outline's centre may stand from that of
# the object in the video, and each of its edges. The chroma of 4:2:2, one
# for each pair of pixels, moves a colour edge by up to a pixel and a half;
# a centre, halfway between two edges, by about three quarters of one. A
# camera turned by under a degree, or a field of view 2 % off, moves the
# centres by two pixels and more.
CENTRE_TOLERANCE = 1.25
EDGE_TOLERANCE = 2.0
# Pixels of margin around the projected outline searched for the object.
SEARCH_MARGIN = 5


def car_hull(body):
    """Corners of a car body's boxes in its own axes (metres)."""
    return [Vector(corner) for low, high in car_body_boxes(body)
            for corner in box_corners(low, high)]


def sphere_points(radius, count=400):
    """Points spread evenly over a sphere (a Fibonacci lattice)."""
    points = []
    for i in range(count):
        z = 1.0 - 2.0 * (i + 0.5) / count
        ring = math.sqrt(1.0 - z * z)
        angle = i * math.pi * (3.0 - math.sqrt(5.0))
        points.append(Vector((ring * math.cos(angle), ring * math.sin(angle), z)) * radius)
    return points


class Frames:
    """The Main video decoded once into 8-bit RGB, rows from the top."""

    def __init__(self, video, width, height):
        self.width, self.height = width, height
        self.data = subprocess.run(
            [shutil.which("ffmpeg") or "ffmpeg", "-v", "error", "-i", video,
             "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
            check=True, stdout=subprocess.PIPE).stdout
        self.count = len(self.data) // (width * height * 3)

    def pixel(self, frame, x, y):
        offset = ((frame * self.height + y) * self.width + x) * 3
        return self.data[offset], self.data[offset + 1], self.data[offset + 2]


def projected_box(scene, camera, points):
    """Pixel extent (left, top, right, bottom) of world points seen by the
    scene's camera, in pixel edges: pixel i covers [i, i + 1)."""
    xs, ys = [], []
    for point in points:
        view = world_to_camera_view(scene, camera, point)
        if view.z <= 0.0:
            return None
        xs.append(view.x * WIDTH)
        ys.append((1.0 - view.y) * HEIGHT)
    return min(xs), min(ys), max(xs), max(ys)


def found_box(frames, frame, family, around):
    """Pixel extent of the family's colour inside the box `around` grown by
    the search margin, or None when no pixel there has it."""
    left, top, right, bottom = around
    x0, y0 = max(0, int(left) - SEARCH_MARGIN), max(0, int(top) - SEARCH_MARGIN)
    x1 = min(WIDTH, int(math.ceil(right)) + SEARCH_MARGIN)
    y1 = min(HEIGHT, int(math.ceil(bottom)) + SEARCH_MARGIN)
    hits = [(x, y) for y in range(y0, y1) for x in range(x0, x1)
            if family(*frames.pixel(frame, x, y))]
    if not hits:
        return None
    xs, ys = [x for x, _ in hits], [y for _, y in hits]
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def overlaps(a, b, margin):
    return not (a[2] + margin < b[0] or b[2] + margin < a[0] or
                a[3] + margin < b[1] or b[3] + margin < a[1])


class SimRecordingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = os.path.join(os.path.abspath(ARGS.work_dir), "recording")
        shutil.rmtree(cls.folder, ignore_errors=True)
        subprocess.run([ARGS.sim, "--size", "%dx%d" % (WIDTH, HEIGHT),
                        "--frames", str(GAME_FRAMES), "--pace", "fast", "--quiet",
                        "--out", cls.folder], check=True)
        cls.frames = Frames(os.path.join(cls.folder, "replay.mov"), WIDTH, HEIGHT)

    def setUp(self):
        bpy.ops.wm.read_factory_settings(use_empty=True)
        if addon_utils.enable(ADDON, default_set=True) is None:
            raise RuntimeError("the add-on %s could not be enabled" % ADDON)

    def measure(self, nudge=None):
        """Outline against video, for every other frame and each object that
        is whole in the picture and clear of the others: (where, how far the
        centres stand apart, how far the worst edge) in pixels. nudge turns
        the camera about its own axes, as a wrong conversion would."""
        scene = bpy.context.scene
        camera = scene.camera
        if nudge is not None:
            camera = bpy.data.objects.new("Nudged Camera", scene.camera.data)
            scene.collection.objects.link(camera)
        ball = bpy.data.objects["Kivren Ball"]
        cars = [bpy.data.objects["Kivren Car %d" % n] for n in (1, 2)]
        ball_points = sphere_points(BALL_RADIUS_UU * 0.01)
        car_points = [car_hull(body) for body in CAR_BODIES[:2]]
        measured = []
        for index in range(0, self.frames.count, 2):
            scene.frame_set(scene.frame_start + index)
            if nudge is not None:
                camera.matrix_world = scene.camera.matrix_world @ nudge
            outlines = {"ball": projected_box(scene, camera, [ball.matrix_world.translation + p
                                                              for p in ball_points])}
            for n, car in enumerate(cars):
                outlines["car %d" % (n + 1)] = projected_box(
                    scene, camera, [car.matrix_world @ p for p in car_points[n]])
            for name, outline in outlines.items():
                where = "frame %d, %s: outline %s" % (index, name, outline)
                self.assertIsNotNone(outline, where + " behind the camera")
                inside = (outline[0] > 1 and outline[1] > 1 and
                          outline[2] < WIDTH - 1 and outline[3] < HEIGHT - 1)
                alone = not any(overlaps(outline, other, SEARCH_MARGIN)
                                for other_name, other in outlines.items()
                                if other_name != name and other is not None)
                if not (inside and alone):
                    continue
                found = found_box(self.frames, index, FAMILIES[name], outline)
                if found is None:
                    measured.append((where + ", nothing of its colour there", math.inf, math.inf))
                    continue
                centre = max(abs(outline[i] + outline[i + 2] - found[i] - found[i + 2]) / 2
                             for i in (0, 1))
                edge = max(abs(a - b) for a, b in zip(outline, found))
                measured.append((where + ", found in the video at %s" % (found,), centre, edge))
        return measured

    def test_objects_line_up_with_the_main_video(self):
        result = bpy.ops.import_scene.kivren_framedata(
            filepath=os.path.join(self.folder, "replay.txt"), fps=30,
            resolution_x=WIDTH, resolution_y=HEIGHT)
        self.assertEqual(result, {'FINISHED'})
        scene = bpy.context.scene
        self.assertEqual(scene.frame_end - scene.frame_start + 1, self.frames.count)

        measured = self.measure()
        # The scripted replay keeps the objects apart and in view on most
        # frames; a test that skipped them all would prove nothing.
        self.assertGreaterEqual(len(measured), 12)
        for where, centre, edge in measured:
            self.assertLess(centre, CENTRE_TOLERANCE, where)
            self.assertLess(edge, EDGE_TOLERANCE, where)

        # The same measure sees a camera tilted by under a degree, about two
        # pixels here: the colours and tolerances are not so loose that
        # anything near would pass.
        tilted = self.measure(Matrix.Rotation(math.radians(0.8), 4, 'X'))
        self.assertGreater(max(centre for _, centre, _ in tilted), CENTRE_TOLERANCE)


def main():
    global ARGS
    ARGS = test_runner.blender_options("--sim", "--addon-dir", "--work-dir")
    test_runner.run_in_blender(SimRecordingTest, "the kivren-sim recording does not line up in Blender")


main()

# The Kivren frame data import, run in the real Blender:
#   blender -b --factory-startup --python-exit-code 1 --python test_import.py --
#           --addon-dir tools/blender --data-dir tests/tools/data
# Expected camera and object transforms are worked out here from the
# recorded angles by plain trigonometry, never through the add-on's
# quaternions.

import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import addon_utils
import bpy
from mathutils import Vector

# The add-on and these tests are imported from the source tree, which must stay clean.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_runner  # noqa: E402

ARGS = None
ADDON = "kivren_framedata_import"


def game_axes(pitch, yaw, roll):
    """Nose, right side and roof of an actor in the game's axes (X forward,
    Y right, Z up, left-handed): yaw turns the nose from X towards Y, pitch
    lifts it, roll lowers the right side. Angles in Rotator units."""
    p, y, r = (a * 2.0 * math.pi / 65536.0 for a in (pitch, yaw, roll))
    forward = Vector((math.cos(p) * math.cos(y), math.cos(p) * math.sin(y), math.sin(p)))
    right = Vector((-math.sin(y), math.cos(y), 0.0))
    up = Vector((-math.sin(p) * math.cos(y), -math.sin(p) * math.sin(y), math.cos(p)))
    return forward, right * math.cos(r) - up * math.sin(r), up * math.cos(r) + right * math.sin(r)


def to_blender(v):
    return Vector((v[0], -v[1], v[2]))


def recorded_quaternion(pitch, yaw, roll):
    """The quaternion the plugin writes for a Rotator (its products grouped as
    it groups them), in double precision."""
    k = math.pi / 65536.0
    sp, cp = math.sin(pitch * k), math.cos(pitch * k)
    sy, cy = math.sin(yaw * k), math.cos(yaw * k)
    sr, cr = math.sin(roll * k), math.cos(roll * k)
    return ((cr * sp) * sy - cy * (sr * cp), ((-cr) * sp) * cy - sy * (sr * cp),
            sy * (cr * cp) - cy * (sr * sp), cy * (cr * cp) + sy * (sr * sp))


def path_frames(count):
    """A recording along a known path: the camera circles, sweeps its yaw
    through +-180 degrees, tilts, rolls and zooms; the number of cars changes
    and every seventh frame was captured outside a replay."""
    frames = []
    for i in range(count):
        if i % 7 == 6:
            frames.append(None)
            continue
        t = i * 0.05
        camera = ((3000 * math.cos(t), 4000 * math.sin(t), 800 + 300 * math.sin(2 * t)),
                  (int(8000 * math.sin(i * 0.3)), i * 1637 - 20000, int(3000 * math.sin(i * 0.17))))
        ball = ((100.0 * i, -50.0 * i, 93.15), (i * 1000, -700 * i, 300 * i))
        cars = [((500.0 * c + i, -300.0 * c, 17.01), (0, c * 8192 + i * 100, 0))
                for c in range(i % 4)]
        frames.append((camera, 70 + 20 * math.sin(2 * t), ball, cars))
    return frames


def write_frame_data(path, frames):
    def group(actor, extra=()):
        location, rotator = actor
        return ",".join("%g" % n for n in (*location, *recorded_quaternion(*rotator), *extra)) + ";"

    with open(path, "w") as f:
        for frame in frames:
            if frame is not None:
                camera, fov, ball, cars = frame
                f.write(group(camera, (fov,)) + group(ball) + "".join(group(c) for c in cars))
            f.write("|")


class ImportTest(unittest.TestCase):
    def setUp(self):
        # An empty scene; resetting the preferences disables add-ons, so ours
        # is enabled again, as Blender enables any add-on: by module name,
        # with its bl_info checked.
        bpy.ops.wm.read_factory_settings(use_empty=True)
        if addon_utils.enable(ADDON, default_set=True) is None:
            raise RuntimeError("the add-on %s could not be enabled" % ADDON)
        self.folder = tempfile.mkdtemp(prefix="kivren-blender-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def assertVectorsClose(self, actual, expected, tolerance, what):
        self.assertLess((Vector(actual) - Vector(expected)).length, tolerance,
                        "%s: %s, expected %s" % (what, tuple(actual), tuple(expected)))

    def assertCameraAt(self, camera, frame, location, axes, tolerance=1e-4):
        """Blender's camera looks down its local -Z with +Y up and +X to the
        picture's right; they must be the game camera's axes, mirrored."""
        forward, right, up = axes
        matrix = camera.matrix_world
        where = "frame %d" % frame
        self.assertVectorsClose(matrix.translation, location, 1e-4, where + " location")
        self.assertVectorsClose(-matrix.col[2].xyz, to_blender(forward), tolerance, where + " view")
        self.assertVectorsClose(matrix.col[1].xyz, to_blender(up), tolerance, where + " up")
        self.assertVectorsClose(matrix.col[0].xyz, to_blender(right), tolerance, where + " right")

    def test_worked_entry(self):
        # Camera at (0, -4608, 1024) uu, yaw 90 degrees, 90 degrees across;
        # ball at rest at 93.15 uu; one car at (0, -4608, 17.01) facing +Y.
        result = bpy.ops.import_scene.kivren_framedata(
            filepath=os.path.join(ARGS.data_dir, "worked_entry.txt"))
        self.assertEqual(result, {'FINISHED'})
        scene = bpy.context.scene
        camera = bpy.data.objects["Kivren Camera"]
        self.assertIs(scene.camera, camera)
        self.assertEqual((scene.frame_start, scene.frame_end, scene.render.fps), (1, 1, 30))
        self.assertEqual((scene.render.resolution_x, scene.render.resolution_y), (1920, 1080))
        scene.frame_set(1)
        self.assertCameraAt(camera, 1, (0, 46.08, 10.24), game_axes(0, 16384, 0))
        # Ninety degrees across a 36 mm sensor: half its width.
        self.assertAlmostEqual(camera.data.lens, 18.0, places=4)
        self.assertVectorsClose(bpy.data.objects["Kivren Ball"].matrix_world.translation,
                                (0, 0, 0.9315), 1e-4, "ball")
        car = bpy.data.objects["Kivren Car 1"]
        self.assertVectorsClose(car.matrix_world.translation, (0, 46.08, 0.1701), 1e-4, "car")
        self.assertVectorsClose(car.matrix_world.col[0].xyz, (0, -1, 0), 1e-5, "car nose")

    def test_generated_path(self):
        frames = path_frames(90)
        path = os.path.join(self.folder, "path.txt")
        write_frame_data(path, frames)
        result = bpy.ops.import_scene.kivren_framedata(
            filepath=path, fps=60, start_frame=101, resolution_x=1280, resolution_y=720,
            sensor_fit='VERTICAL', sensor_height=20.0)
        self.assertEqual(result, {'FINISHED'})
        scene = bpy.context.scene
        self.assertEqual((scene.frame_start, scene.frame_end, scene.render.fps), (101, 190, 60))
        camera = bpy.data.objects["Kivren Camera"]
        self.assertEqual(camera.data.sensor_fit, 'VERTICAL')
        cars = [bpy.data.objects["Kivren Car %d" % n] for n in (1, 2, 3)]

        for index in (0, 1, 5, 6, 7, 33, 35, 50, 89):
            frame = 101 + index
            scene.frame_set(frame)
            if frames[index] is None:
                # Captured outside a replay: no car slot shows.
                self.assertTrue(all(car.hide_render for car in cars), "frame %d" % frame)
                continue
            (location, rotator), fov, ball, frame_cars = frames[index]
            self.assertCameraAt(camera, frame, Vector(to_blender(location)) * 0.01,
                                game_axes(*rotator))
            # The picture's height sees tan(v/2) = tan(h/2) * 720 / 1280, and
            # the 20 mm sensor height spans it.
            half_height = math.tan(math.radians(fov) / 2) * 720 / 1280
            self.assertAlmostEqual(camera.data.lens, 10.0 / half_height, places=3)
            self.assertVectorsClose(bpy.data.objects["Kivren Ball"].matrix_world.translation,
                                    to_blender(ball[0]) * 0.01, 1e-4, "ball")
            for slot, car in enumerate(cars):
                present = slot < len(frame_cars)
                self.assertEqual(car.hide_render, not present, "car %d, frame %d" % (slot, frame))
                if present:
                    car_location, car_rotator = frame_cars[slot]
                    self.assertVectorsClose(car.matrix_world.translation,
                                            to_blender(car_location) * 0.01, 1e-4, "car")
                    self.assertVectorsClose(car.matrix_world.col[0].xyz,
                                            to_blender(game_axes(*car_rotator)[0]), 1e-4, "nose")

        # Between two frames the camera turns the short way, even where its
        # Euler angles would wrap (the yaw passes 180 degrees after entry 32).
        for index in range(88):
            if frames[index] is None or frames[index + 1] is None:
                continue
            before = to_blender(game_axes(*frames[index][0][1])[0])
            after = to_blender(game_axes(*frames[index + 1][0][1])[0])
            scene.frame_set(101 + index, subframe=0.5)
            halfway = -camera.matrix_world.col[2].xyz.normalized()
            self.assertLess(halfway.angle(before) + halfway.angle(after),
                            before.angle(after) + 0.01, "between entries %d and %d" % (index, index + 1))

    def test_bad_file_is_refused_with_its_place(self):
        with open(os.path.join(ARGS.data_dir, "worked_entry.txt")) as f:
            text = f.read()
        path = os.path.join(self.folder, "cut.txt")
        with open(path, "w") as f:
            f.write(text + text.replace("0.707107,90;", "0.707107;", 1))
        objects_before = len(bpy.data.objects)
        # An operator's error report reaches a script as a RuntimeError.
        with self.assertRaises(RuntimeError) as refused:
            bpy.ops.import_scene.kivren_framedata(filepath=path)
        self.assertIn("cut.txt: line 1, column %d: entry 2: the camera group has 7 numbers"
                      % (len(text) + text.index(";") - 2), str(refused.exception))
        self.assertEqual(len(bpy.data.objects), objects_before)

    def test_damage_is_named_at_its_place(self):
        from kivren_framedata_import.frame_data import FrameDataError, parse_frame_data
        good = "0,1,2,0,0,0,1,90;0,0,0,0,0,0,1;|"
        cases = (  # text, line, column, entry, what the message says
            ("0,1,2,0,0,0,1,9", 1, 16, 1, "ends inside this entry"),
            (good + "0,1,x", 1, 37, 2, 'expected a number, found "x"'),
            (good + "0,3.0-46\n2\n", 1, 38, 2, "expected ',' or ';'"),
            ("1e39,1,2,0,0,0,1,90;0,0,0,0,0,0,1;|", 1, 1, 1, '"1e39" is out of range'),
            ("0,1,2,0,0,0,1,179.99999999;0,0,0,0,0,0,1;|", 1, 15, 1, "field of view 180"),
            ("0,1,2,0,0,0,1,1e-300;0,0,0,0,0,0,1;|", 1, 15, 1, "field of view 0 is"),
            ("0,1,2,0,0,0,1;0,0,0,0,0,0,1;|", 1, 14, 1, "has 7 numbers, expected 8"),
            ("0,1,2,0,0,0,1,90;0,0,0,0,0,0,1;1,2,0,0,0,1;|", 1, 43, 1, "car 1 group has 6"),
            ("0,1,2,0,0,0,1,90;|", 1, 18, 1, "not followed by a ball group"),
            (good + "\n0,1,x2,0,0,0,1,90;0,0,0,0,0,0,1;|", 2, 5, 2, 'found "x2"'),
            ("0,1,2,0,0,0,1,90;0,0,0 ,0,0,0,1;|", 1, 23, 1, "expected ',' or ';'"),
            ("0,1,2,0,0,0.5,1,90;0,0,0,0,0,0,1;|", 1, 1, 1, "length 1.11803"),
            ("0,1,2,0,0,0,1,180;0,0,0,0,0,0,1;|", 1, 15, 1, "field of view 180"),
        )
        for text, line, column, entry, says in cases:
            with self.assertRaises(FrameDataError, msg=text) as damaged:
                parse_frame_data(text)
            error = damaged.exception
            self.assertEqual((error.line, error.column, error.entry), (line, column, entry), text)
            self.assertIn(says, str(error))

    def test_cut_off_last_entry_is_left_out_with_a_warning(self):
        from kivren_framedata_import.frame_data import parse_frame_data
        good = "0,1,2,0,0,0,1,90;0,0,0,0,0,0,1;|"
        for tail in ("0,1,2,0,0,0,1,90;0,0,0,0,0,0,1;", "0,1,2.5", "0,1e", "0,-", "0,1\n"):
            entries = parse_frame_data(good + "\n" + good + tail)
            self.assertEqual(len(entries), 2, tail)
            cut = entries.cut_off
            self.assertIsNotNone(cut, tail)
            self.assertEqual((cut.line, cut.entry), (2, 3), tail)
            self.assertIn("ends inside this entry", str(cut))
        self.assertIsNone(parse_frame_data(good + good).cut_off)

        with open(os.path.join(ARGS.data_dir, "worked_entry.txt")) as f:
            text = f.read()
        path = os.path.join(self.folder, "crash.txt")
        with open(path, "w") as f:
            f.write(text + text[:40])
        self.assertEqual(bpy.ops.import_scene.kivren_framedata(filepath=path), {'FINISHED'})
        self.assertEqual(bpy.context.scene.frame_end - bpy.context.scene.frame_start, 0)

    def test_main_video_becomes_the_camera_background(self):
        ffmpeg = shutil.which("ffmpeg")
        self.assertIsNotNone(ffmpeg, "ffmpeg not found: install the Debian package ffmpeg")
        path = os.path.join(self.folder, "clip.txt")
        shutil.copy(os.path.join(ARGS.data_dir, "worked_entry.txt"), path)
        subprocess.run([ffmpeg, "-v", "error", "-f", "lavfi", "-i", "color=c=red:s=64x36:d=0.2",
                        "-r", "30", "-c:v", "prores_ks", os.path.join(self.folder, "clip.mov")],
                       check=True)
        bpy.ops.import_scene.kivren_framedata(filepath=path, start_frame=7)
        camera = bpy.data.objects["Kivren Camera"].data
        self.assertTrue(camera.show_background_images)
        clip = camera.background_images[0].clip
        self.assertEqual(bpy.path.abspath(clip.filepath), os.path.join(self.folder, "clip.mov"))
        self.assertEqual(clip.frame_start, 7)
        self.assertEqual(tuple(clip.size), (64, 36))


def main():
    global ARGS
    ARGS = test_runner.blender_options("--addon-dir", "--data-dir")
    test_runner.run_in_blender(ImportTest, "the Blender import tests failed")


main()

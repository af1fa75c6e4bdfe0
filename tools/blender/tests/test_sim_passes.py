# A kivren-sim recording's passes imported into the compositor must give
# back what the simulator drew: run in the real Blender,
#   blender -b --factory-startup --python-exit-code 1 --python test_sim_passes.py --
#           --sim build/native/bin/kivren-sim --addon-dir tools/blender --work-dir /tmp/x
# The expected depths and mattes are worked out here by casting rays from
# the imported camera at shapes of the simulator's ball, car bodies and
# floor placed on the imported empties, never from the videos.

import array
import json
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

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_runner  # noqa: E402  (puts the folder above on the path)
from render_preview import BALL_RADIUS_UU, CAR_BODIES, car_body_boxes  # noqa: E402

ARGS = None
ADDON = "kivren_framedata_import"
WIDTH, HEIGHT = 320, 180
# With every pass on, the Main video takes every other game frame.
GAME_FRAMES = 40
FRAMES_CHECKED = (1, 5, 9, 13, 17)
# A pixel counts as inside a shape when the rays through it and through the
# points this far (in pixels) round it all meet that shape first: the
# simulator's tessellated ball and the wheels it draws under the bodies
# differ from the shapes here by about a pixel.
INTERIOR_MARGIN = 2.0

# The wheels kivren-sim puts under every car (sim/scene/scene_meshes.cpp):
# centres at (+-40, +-46, -2) uu in the car's axes, radius 15, 12 wide, as
# boxes round them in metres. They hide parts of the bodies and the floor.
WHEEL_BOXES = tuple(((0.01 * (x - 15.0), 0.01 * (y - 6.0), 0.01 * -17.0),
                     (0.01 * (x + 15.0), 0.01 * (y + 6.0), 0.01 * 13.0))
                    for x in (-40.0, 40.0) for y in (-46.0, 46.0))


class Shapes:
    """The ball, the car bodies and the floor where the imported empties put
    them at the scene's current frame, in metres."""

    def __init__(self):
        ball = bpy.data.objects["Kivren Ball"]
        self.ball = (ball.matrix_world.translation.copy(), BALL_RADIUS_UU * 0.01)
        self.cars = []
        for n in (1, 2):
            car = bpy.data.objects["Kivren Car %d" % n]
            self.cars.append((car.matrix_world.inverted(),
                              [("car %d" % n, box) for box in car_body_boxes(CAR_BODIES[n - 1])]
                              + [("wheel", box) for box in WHEEL_BOXES]))

    def hit(self, origin, direction):
        """(name, distance along the ray) of the first shape the ray meets."""
        best = (None, math.inf)
        centre, radius = self.ball
        to = origin - centre
        b = to.dot(direction)
        disc = b * b - (to.dot(to) - radius * radius)
        if disc >= 0.0:
            t = -b - math.sqrt(disc)
            if 0.0 < t < best[1]:
                best = ("ball", t)
        for inverse, boxes in self.cars:
            o = inverse @ origin
            d = inverse.to_3x3() @ direction
            for name, (low, high) in boxes:
                near, far = -math.inf, math.inf
                for axis in range(3):
                    if abs(d[axis]) < 1e-12:
                        if not low[axis] <= o[axis] <= high[axis]:
                            near = math.inf
                        continue
                    t1, t2 = (low[axis] - o[axis]) / d[axis], (high[axis] - o[axis]) / d[axis]
                    near, far = max(near, min(t1, t2)), min(far, max(t1, t2))
                if near <= far and 0.0 < near < best[1]:
                    best = (name, near)
        if direction.z < 0.0:
            t = -origin.z / direction.z
            if t < best[1]:
                best = ("floor", t)
        return best


class Camera:
    def __init__(self, scene):
        camera = scene.camera
        self.origin = camera.matrix_world.translation.copy()
        self.rotation = camera.matrix_world.to_3x3().normalized()
        self.forward = self.rotation @ Vector((0.0, 0.0, -1.0))
        top_right, _, bottom_left, top_left = camera.data.view_frame(scene=scene)
        self.corner, self.across, self.down = top_left, top_right - top_left, bottom_left - top_left

    def ray(self, x, y):
        """Through the point (x, y) of the picture, in pixels from the top left."""
        local = self.corner + self.across * (x / WIDTH) + self.down * (y / HEIGHT)
        return (self.rotation @ local).normalized()


def classify(scene, pixels):
    """{pixel: (shape, view depth in metres)} for pixels whose rays, and the
    rays round them, all meet the same shape first."""
    camera, shapes = Camera(scene), Shapes()
    ring = [(INTERIOR_MARGIN * math.cos(a * math.pi / 4), INTERIOR_MARGIN * math.sin(a * math.pi / 4))
            for a in range(8)]
    found = {}
    for x, y in pixels:
        direction = camera.ray(x + 0.5, y + 0.5)
        name, t = shapes.hit(camera.origin, direction)
        if name is None:
            continue
        if all(shapes.hit(camera.origin, camera.ray(x + 0.5 + dx, y + 0.5 + dy))[0] == name
               for dx, dy in ring):
            found[(x, y)] = (name, (direction * t).dot(camera.forward))
    return found


def screen_boxes(scene):
    """Pixels round the ball and the cars, and a sparse grid of the floor."""
    from bpy_extras.object_utils import world_to_camera_view
    ball = bpy.data.objects["Kivren Ball"].matrix_world.translation
    r = BALL_RADIUS_UU * 0.01
    outlines = [[ball + Vector((x, y, z)) for x in (-r, r) for y in (-r, r) for z in (-r, r)]]
    for n in (1, 2):
        car = bpy.data.objects["Kivren Car %d" % n]
        outlines.append([car.matrix_world @ Vector((x, y, z))
                         for low, high in car_body_boxes(CAR_BODIES[n - 1])
                         for x in (low[0], high[0]) for y in (low[1], high[1])
                         for z in (low[2], high[2])])
    pixels = set()
    for points in outlines:
        views = [world_to_camera_view(scene, scene.camera, p) for p in points]
        if any(v.z <= 0.0 for v in views):
            continue
        x0 = max(0, int(min(v.x for v in views) * WIDTH) - 3)
        x1 = min(WIDTH, int(max(v.x for v in views) * WIDTH) + 4)
        y0 = max(0, int((1.0 - max(v.y for v in views)) * HEIGHT) - 3)
        y1 = min(HEIGHT, int((1.0 - min(v.y for v in views)) * HEIGHT) + 4)
        pixels.update((x, y) for y in range(y0, y1) for x in range(x0, x1))
    pixels.update((x, y) for y in range(HEIGHT // 3, HEIGHT, 5) for x in range(0, WIDTH, 5))
    return pixels


def evaluate(scene, socket, frame, subframe=0.0):
    """The socket's value at every pixel (rows from the top), as the
    compositor makes it at the frame: shown through the Composite node (a
    render does not run viewers) and read back from a 32-bit float EXR."""
    tree = scene.node_tree
    composite = tree.nodes["Kivren Composite"]
    image_input = composite.inputs["Image"]
    before = image_input.links[0].from_socket if image_input.links else None
    tree.links.new(socket, image_input)
    scene.frame_set(frame, subframe=subframe)
    settings = scene.render.image_settings
    settings.file_format, settings.color_depth, settings.color_mode = 'OPEN_EXR', '32', 'RGB'
    path = os.path.join(tempfile.gettempdir(), "kivren-evaluate-%d.exr" % os.getpid())
    try:
        bpy.ops.render.render()
        bpy.data.images["Render Result"].save_render(path, scene=scene)
        image = bpy.data.images.load(path)
        assert tuple(image.size) == (WIDTH, HEIGHT), tuple(image.size)
        values = array.array("f", bytes(4 * WIDTH * HEIGHT * 4))
        image.pixels.foreach_get(values)
        bpy.data.images.remove(image)
    finally:
        if os.path.exists(path):
            os.remove(path)
        if before is not None:
            tree.links.new(before, image_input)
    return lambda x, y: values[((HEIGHT - 1 - y) * WIDTH + x) * 4]


class Reports:
    """What Blender prints of an operator's reports when a script runs it."""

    def __enter__(self):
        sys.stdout.flush()
        self.file = tempfile.TemporaryFile()
        self.saved = os.dup(1)
        os.dup2(self.file.fileno(), 1)
        return self

    def __exit__(self, *_):
        sys.stdout.flush()
        os.dup2(self.saved, 1)
        os.close(self.saved)
        self.file.seek(0)
        self.text = self.file.read().decode("utf-8", "replace")
        self.file.close()


class SimPassesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        from kivren_framedata_import import pass_encoding
        cls.encoding = pass_encoding
        cls.work = os.path.abspath(ARGS.work_dir)
        cls.folder = os.path.join(cls.work, "recording")
        shutil.rmtree(cls.work, ignore_errors=True)
        summary = subprocess.run([ARGS.sim, "--size", "%dx%d" % (WIDTH, HEIGHT),
                                  "--frames", str(GAME_FRAMES), "--pace", "fast", "--quiet",
                                  "--out", cls.folder],
                                 check=True, stdout=subprocess.PIPE, text=True).stdout
        # kivren-sim lists the ID pass by mesh: the ball, then the first two
        # cars' bodies (car 1 is drawn as the octane, car 2 as the dominus).
        shapes = {"ball": "ball", "body_octane": "car 1", "body_dominus": "car 2"}
        cls.shape_of = {}
        for line in summary.splitlines():
            words = line.split()
            if len(words) == 3 and words[0] in shapes:
                cls.shape_of[words[1]] = shapes[words[0]]
        if len(cls.shape_of) != 3:
            raise RuntimeError("kivren-sim did not list the ID pass meshes:\n" + summary)

    def setUp(self):
        bpy.ops.wm.read_factory_settings(use_empty=True)
        if addon_utils.enable(ADDON, default_set=True) is None:
            raise RuntimeError("the add-on %s could not be enabled" % ADDON)

    def import_take(self, folder=None, **options):
        with Reports() as reports:
            result = bpy.ops.import_scene.kivren_framedata(
                filepath=os.path.join(folder or self.folder, "replay.txt"), fps=30,
                resolution_x=WIDTH, resolution_y=HEIGHT, **options)
        self.assertEqual(result, {'FINISHED'})
        return reports.text

    def z_socket(self):
        composite = bpy.context.scene.node_tree.nodes["Kivren Composite"]
        self.assertEqual(len(composite.inputs["Z"].links), 1, "nothing feeds the composite's Z")
        return composite.inputs["Z"].links[0].from_socket

    def matte_sockets(self):
        """Mesh hash: the output of its matte node."""
        tree = bpy.context.scene.node_tree
        return {node.name[len("Kivren Matte "):]: node.outputs[0] for node in tree.nodes
                if node.name.startswith("Kivren Matte ")}

    @staticmethod
    def open_floor(scene, x, y, depth):
        """The floor well inside the pitch (the walls stand round its edges,
        the goals at its ends) and nearer than the grey levels' end."""
        camera = Camera(scene)
        point = camera.origin + camera.ray(x + 0.5, y + 0.5) * (depth / camera.ray(
            x + 0.5, y + 0.5).dot(camera.forward))
        return abs(point.x) < 38.0 and abs(point.y) < 45.0 and depth < 60.0

    def depth_misses(self):
        """(what, how far off in Unreal units) of every checked pixel, and the
        shapes that had checked pixels."""
        scene = bpy.context.scene
        misses, seen = [], set()
        socket = self.z_socket()
        for index in FRAMES_CHECKED:
            scene.frame_set(scene.frame_start + index)
            inside = classify(scene, screen_boxes(scene))
            z = evaluate(scene, socket, scene.frame_start + index)
            for (x, y), (name, depth) in inside.items():
                if name == "wheel" or (name == "floor" and not self.open_floor(scene, x, y, depth)):
                    continue
                seen.add(name)
                off = abs(z(x, y) - depth) * 100.0
                misses.append(("frame %d, %s at (%d, %d): Z %.3f m, camera distance %.3f m"
                               % (index, name, x, y, z(x, y), depth), off))
        return misses, seen

    def matte_misses(self, sockets):
        """For each matte: its mesh's interior pixels it left out, of how
        many, and the pixels of the other listed meshes it took."""
        scene = bpy.context.scene
        found = {}
        for hash, socket in sockets.items():
            own = self.shape_of[hash]
            missed = total = 0
            taken = []
            for index in FRAMES_CHECKED:
                # The ID pass frame is drawn on the game frame after its Main
                # frame, halfway to the next entry of the frame data.
                scene.frame_set(scene.frame_start + index, subframe=0.5)
                inside = classify(scene, screen_boxes(scene))
                matte = evaluate(scene, socket, scene.frame_start + index)
                for (x, y), (name, _) in inside.items():
                    if name == own:
                        total += 1
                        missed += matte(x, y) < 0.5
                    elif name in self.shape_of.values() and matte(x, y) >= 0.5:
                        taken.append("frame %d, %s at (%d, %d)" % (index, name, x, y))
            found[own] = (missed, total, taken)
        return found

    def test_depth_comes_back_as_distance_from_the_imported_camera(self):
        text = self.import_take()
        self.assertIn("passes Main, Depth, Normal, Custom into the compositor with 3 ID mattes",
                      text)
        misses, seen = self.depth_misses()
        self.assertEqual(seen, {"ball", "car 1", "car 2", "floor"})
        # One grey level, and the rounding of the 10-bit video to Blender's
        # 8-bit frames: within one and a half steps.
        step = self.encoding.depth_step()
        worst = max(misses, key=lambda m: m[1])
        print("\n%d pixels: worst %.1f uu (%s), mean %.1f uu; one grey level is %.1f uu"
              % (len(misses), worst[1], worst[0], sum(off for _, off in misses) / len(misses), step))
        self.assertLess(worst[1], 1.5 * step, worst[0])
        self.assertLess(sum(off for _, off in misses) / len(misses), 0.5 * step)

        # The same import with the far end of the mapping 5 % off misses.
        far = self.encoding.KIVREN_DEPTH_FAR
        try:
            self.encoding.KIVREN_DEPTH_FAR = far * 1.05
            self.setUp()
            self.import_take()
            broken, _ = self.depth_misses()
        finally:
            self.encoding.KIVREN_DEPTH_FAR = far
        self.assertGreater(max(off for _, off in broken), 1.5 * step)

    def test_each_matte_is_its_mesh_and_nothing_of_the_others(self):
        self.import_take()
        sockets = self.matte_sockets()
        self.assertEqual(set(sockets), set(self.shape_of))
        for shape, (missed, total, taken) in self.matte_misses(sockets).items():
            print("\n%s: %d of %d interior pixels in its matte" % (shape, total - missed, total))
            self.assertGreater(total, 50, shape)
            self.assertLessEqual(missed, 0.01 * total, "%s: %d of %d interior pixels left out"
                                 % (shape, missed, total))
            self.assertEqual(taken, [], shape)

        # A list whose colour for the first car is one that the car's
        # neighbours in the video come near loses the car.
        broken = os.path.join(self.work, "broken colour")
        shutil.copytree(self.folder, broken)
        manifest = json.load(open(os.path.join(self.folder, "replay - custom pass.json")))
        car = next(h for h, s in self.shape_of.items() if s == "car 1")
        for mesh in manifest["meshes"]:
            if mesh["hash"] == car:
                mesh["colour_8bit"][0] = min(255, mesh["colour_8bit"][0] + 30)
        with open(os.path.join(broken, "replay - custom pass.json"), "w") as f:
            json.dump(manifest, f)
        self.setUp()
        self.import_take(broken)
        missed, total, _ = self.matte_misses({car: self.matte_sockets()[car]})["car 1"]
        self.assertGreater(missed, 0.01 * total)

    def test_unticked_meshes_get_no_matte(self):
        car = next(h for h, s in self.shape_of.items() if s == "car 2")
        text = self.import_take(id_meshes=[{"name": h, "hash": h, "colour": (0, 0, 0), "use": h != car} for h in self.shape_of])
        self.assertEqual(set(self.matte_sockets()), set(self.shape_of) - {car})
        self.assertIn("with 2 ID mattes (1 ID pass mesh unticked)", text)

    def test_a_node_tree_of_ones_own_is_added_to(self):
        scene = bpy.context.scene
        scene.use_nodes = True
        mine = scene.node_tree.nodes.new("CompositorNodeBlur")
        mine.name = "Mine"
        scene.use_nodes = False
        self.import_take()
        nodes = scene.node_tree.nodes
        self.assertIn("Mine", nodes)
        # Blender's own Composite stays the output; the take's nodes stand beside.
        self.assertEqual([n.name for n in nodes if n.bl_idname == "CompositorNodeComposite"],
                         ["Composite"])
        self.assertIn("Render Layers", nodes)
        self.assertEqual(len([n for n in nodes if n.name.startswith("Kivren Matte ")]), 3)
        self.assertGreater(min(n.location.x for n in nodes
                               if n.name.startswith("Kivren ") and n.bl_idname != "NodeFrame"),
                           max(nodes["Mine"].location.x, nodes["Composite"].location.x))

    def test_what_cannot_be_brought_in_is_left_out_and_said(self):
        def take(name, change):
            folder = os.path.join(self.work, name)
            shutil.copytree(self.folder, folder)
            change(folder)
            return folder

        def remove(*suffixes):
            return lambda folder: [os.remove(os.path.join(folder, "replay" + s)) for s in suffixes]

        def shorten(folder):
            video = os.path.join(folder, "replay - normal.mov")
            subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", video, "-frames:v", "12",
                            "-c", "copy", video + ".mov"], check=True)
            os.replace(video + ".mov", video)

        def garble(folder):
            with open(os.path.join(folder, "replay - custom pass.json"), "w") as f:
                f.write('{"meshes": [{"hash": "12", "colour": [1, 0, 0]')

        entries = GAME_FRAMES // 2
        cases = (
            ("missing", remove(" - depth.mov", " - custom pass.json"),
             ["Left out the Depth pass: replay - depth.mov is not beside replay.txt",
              "Left out the ID mattes: replay - custom pass.json is not beside replay.txt",
              "passes Main, Normal, Custom into the compositor with 0 ID mattes"],
             {"Main", "Normal", "Custom"}),
            ("short", shorten,
             ["Left out the Normal pass: replay - normal.mov has 12 frames, the frame data "
              "%d entries" % entries,
              "passes Main, Depth, Custom into the compositor with 3 ID mattes"],
             {"Main", "Depth", "Custom"}),
            ("garbled", garble,
             ["Left out the ID mattes: replay - custom pass.json is not JSON: ",
              "passes Main, Depth, Normal, Custom into the compositor with 0 ID mattes"],
             {"Main", "Depth", "Normal", "Custom"}),
        )
        for name, change, says, loaded in cases:
            with self.subTest(name):
                folder = take(name, change)
                self.setUp()
                text = self.import_take(folder)
                for line in says:
                    self.assertIn(line, text)
                # The frame data came in whatever happened to the passes.
                self.assertIsNotNone(bpy.data.objects.get("Kivren Camera"))
                clips = {node.label[:-len(" video")] for node in bpy.context.scene.node_tree.nodes
                         if node.bl_idname == "CompositorNodeMovieClip"}
                self.assertEqual(clips, loaded)
                self.assertEqual(len(bpy.data.movieclips), len(loaded))


def main():
    global ARGS
    ARGS = test_runner.blender_options("--sim", "--addon-dir", "--work-dir")
    test_runner.run_in_blender(SimPassesTest, "the kivren-sim passes do not come back in Blender's compositor")


main()

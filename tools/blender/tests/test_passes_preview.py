# render_passes_preview.py makes the README's two pictures of the passes in
# Blender: this runs it on a small kivren-sim recording and looks at what it
# made. Run in the real Blender (it reads the pictures with Blender):
#   blender -b --factory-startup --python-exit-code 1 --python test_passes_preview.py --
#           --sim build/native/bin/kivren-sim --blender blender --xvfb-run xvfb-run
#           --script tools/blender/render_passes_preview.py --work-dir /tmp/x

import array
import json
import os
import shutil
import subprocess
import sys
import unittest

import bpy

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_runner  # noqa: E402

ARGS = None
WIDTH, HEIGHT = 320, 180
FRAME = 6


def pixels(path, width, height):
    image = bpy.data.images.load(path)
    try:
        assert tuple(image.size) == (width, height), (path, tuple(image.size))
        values = array.array("f", bytes(4 * width * height * 4))
        image.pixels.foreach_get(values)
    finally:
        bpy.data.images.remove(image)
    return lambda x, y: [values[((height - 1 - y) * width + x) * 4 + c] for c in range(3)]


def decoded(video, frame):
    data = subprocess.run(["ffmpeg", "-v", "error", "-i", video, "-vf", "select=eq(n\\,%d)" % frame,
                           "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                          check=True, stdout=subprocess.PIPE).stdout
    return lambda x, y: [c / 255.0 for c in data[(y * WIDTH + x) * 3:(y * WIDTH + x) * 3 + 3]]


class PassesPreviewTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        work = os.path.abspath(ARGS.work_dir)
        shutil.rmtree(work, ignore_errors=True)
        cls.folder = os.path.join(work, "recording")
        script = os.path.join(work, "444.cfg")
        os.makedirs(work)
        with open(script, "w") as f:
            f.write("kivren_custom_pass_444 1\n")
        subprocess.run([ARGS.sim, "--size", "%dx%d" % (WIDTH, HEIGHT), "--frames", "24",
                        "--pace", "fast", "--quiet", "--script", script, "--out", cls.folder],
                       check=True, stdout=subprocess.DEVNULL)
        cls.recording = os.path.join(cls.folder, "replay.txt")
        with open(os.path.join(cls.folder, "replay - custom pass.json")) as f:
            cls.meshes = json.load(f)["meshes"]
        cls.work = work

    def run_script(self, output, window, *extra):
        command = [ARGS.blender, "--factory-startup", "--python-exit-code", "1",
                   "--python", ARGS.script, "--", "--recording", self.recording,
                   "--output", output, *extra]
        if window:
            command = [ARGS.xvfb_run, "-a", "-s", "-screen 0 1600x1000x24"] + command
        else:
            command.insert(1, "-b")
        subprocess.run(command, check=True, timeout=240, stdout=subprocess.DEVNULL)
        self.assertTrue(os.path.isfile(output))

    def test_composite_recolours_the_chosen_mesh_and_fogs_by_depth(self):
        target = self.meshes[-1]
        output = os.path.join(self.work, "composite.png")
        self.run_script(output, False, "--frame", str(FRAME + 1), "--recolour", target["hash"])
        made = pixels(output, WIDTH, HEIGHT)
        main = decoded(os.path.join(self.folder, "replay.mov"), FRAME)
        custom = decoded(os.path.join(self.folder, "replay - custom pass.mov"), FRAME)
        depth = decoded(os.path.join(self.folder, "replay - depth.mov"), FRAME)
        key = [c / 255.0 for c in target["colour_8bit"]]
        recoloured, kept = [], []
        for y in range(HEIGHT):
            for x in range(WIDTH):
                change = max(abs(a - b) for a, b in zip(made(x, y), main(x, y)))
                if max(abs(a - b) for a, b in zip(custom(x, y), key)) < 0.02:
                    recoloured.append(change)
                elif depth(x, y)[0] > 0.8:
                    # Nearer than 40 m, where the fog is thin.
                    kept.append(change)
        self.assertGreater(len(recoloured), 20)
        self.assertGreater(len(kept), 1000)
        # The chosen car turns another colour; the rest only takes a little fog.
        fogged = sorted(kept)[len(kept) // 2]
        print("\nchange of the recoloured car's pixels (10th percentile) %.3f, of the other "
              "near pixels (median) %.3f" % (sorted(recoloured)[len(recoloured) // 10], fogged))
        self.assertLess(fogged, 0.12)
        self.assertGreater(sorted(recoloured)[len(recoloured) // 10], max(0.2, 2.0 * fogged))
        # Far away (the end wall, grey under 0.3) the fog has taken over.
        far = [max(abs(a - f) for a, f in zip(made(x, y), (0.72, 0.78, 0.86)))
               for y in range(0, HEIGHT, 4) for x in range(0, WIDTH, 4) if depth(x, y)[0] < 0.3]
        if far:
            self.assertLess(sorted(far)[len(far) // 2], 0.15)

    def test_node_tree_picture_shows_the_tree(self):
        output = os.path.join(self.work, "nodes.png")
        self.run_script(output, True)
        image = bpy.data.images.load(output)
        width, height = image.size
        values = array.array("f", bytes(4 * width * height * 4))
        image.pixels.foreach_get(values)
        bpy.data.images.remove(image)
        self.assertGreaterEqual((width, height), (1200, 700))
        # The node editor's grey background with nodes on it, among them the
        # key nodes in the ID colours (the node body is drawn in its colour).
        colours = {tuple(round(values[i + c] * 255) for c in range(3))
                   for i in range(0, len(values), 4 * 7)}
        self.assertGreater(len(colours), 200)
        for mesh in self.meshes:
            key = mesh["colour_8bit"]
            near = sum(1 for i in range(0, len(values), 4)
                       if all(abs(values[i + c] * 255 - key[c]) < 40 for c in range(3)))
            self.assertGreater(near, 500, mesh["hash"])


def main():
    global ARGS
    ARGS = test_runner.blender_options("--sim", "--blender", "--xvfb-run", "--script", "--work-dir")
    test_runner.run_in_blender(PassesPreviewTest,
                               "the pictures of the passes in Blender are not what they should be")


main()

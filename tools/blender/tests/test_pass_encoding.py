# The depth constants live in three places that must agree: the effect file
# that writes the Depth video (its #defines), the add-on's pass_encoding.py
# that reads it back, and the README that tells users the mapping. Plain
# Python, no Blender:
#   python3 test_pass_encoding.py --source-dir .

import os
import re
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_runner  # noqa: E402

ARGS = None


def read(*parts):
    with open(os.path.join(ARGS.source_dir, *parts), encoding="utf-8") as f:
        return f.read()


def effect_defines(text):
    return {name: float(value) for name, value in
            re.findall(r"^#define\s+(KIVREN_\w+)\s+([-0-9.eE+]+)\s*$", text, re.MULTILINE)}


class PassEncodingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.encoding = test_runner.addon_module(ARGS.source_dir, "pass_encoding")
        cls.effect = effect_defines(read("effects", "kivren2.fx"))

    def test_the_add_on_reads_depth_as_the_effect_writes_it(self):
        for name in ("KIVREN_DEPTH_NEAR", "KIVREN_DEPTH_FAR"):
            self.assertIn(name, self.effect, "kivren2.fx no longer defines " + name)
            self.assertEqual(getattr(self.encoding, name), self.effect[name], name)
        # The effect's own formula, grey = (far - d) / (far - near), read back.
        near, far = self.effect["KIVREN_DEPTH_NEAR"], self.effect["KIVREN_DEPTH_FAR"]
        self.assertIn("grey = saturate((KIVREN_DEPTH_FAR - d) / (KIVREN_DEPTH_FAR - KIVREN_DEPTH_NEAR))",
                      re.sub(r"\s+", " ", read("effects", "kivren2.fx")))
        for d in (near, far, 0.25 * far + 0.75 * near, 1234.5):
            grey = (far - d) / (far - near)
            self.assertAlmostEqual(self.encoding.depth_from_grey(grey), d, places=6)

    def test_the_readme_states_the_same_mapping(self):
        readme = re.sub(r"\s+", " ", read("README.md"))
        near, far = self.encoding.KIVREN_DEPTH_NEAR, self.encoding.KIVREN_DEPTH_FAR
        self.assertIn("white at `KIVREN_DEPTH_NEAR` (%g uu), black at `KIVREN_DEPTH_FAR` "
                      "(%g uu = %g m)" % (near, far, far / 100.0), readme)
        self.assertIn("`d = %g - grey * %g`" % (far, far - near), readme)
        self.assertIn("one 8-bit step is %.1f uu" % self.encoding.depth_step(), readme)

    def test_the_simulator_draws_with_the_effects_constants(self):
        scene = read("sim", "scene", "sim_scene.h")
        for name, constant in (("KIVREN_DEPTH_NEAR", "sceneDepthNear"),
                               ("KIVREN_DEPTH_FAR", "sceneDepthFar"),
                               ("KIVREN_PROJECTION_NEAR", "sceneProjectionNear"),
                               ("KIVREN_PROJECTION_FAR", "sceneProjectionFar"),
                               ("KIVREN_HORIZONTAL_FOV", "sceneEffectFov")):
            found = re.search(r"%s = ([-0-9.eE+]+)f;" % constant, scene)
            self.assertIsNotNone(found, constant)
            self.assertEqual(float(found.group(1)), self.effect[name], constant)

    def test_normals_decode_as_documented(self):
        self.assertEqual(self.encoding.normal_from_colour(0.5), 0.0)
        self.assertEqual(self.encoding.normal_from_colour(1.0), 1.0)
        self.assertEqual(self.encoding.normal_from_colour(0.0), -1.0)
        effect = re.sub(r"\s+", " ", read("effects", "kivren2.fx").replace("//", " "))
        self.assertIn("each component n is stored as n * 0.5 + 0.5", effect)
        self.assertIn("const float3 encoded = normal * 0.5 + 0.5;", effect)


def main():
    global ARGS
    ARGS, rest = test_runner.source_dir_option()
    test_runner.run_plain(rest)


main()

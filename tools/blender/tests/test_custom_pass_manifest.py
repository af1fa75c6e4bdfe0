# The add-on's reader of the ID pass list that the plugin writes beside a
# take's videos: what it takes, and how it names what it refuses. Plain
# Python, no Blender:
#   python3 test_custom_pass_manifest.py --source-dir .

import os
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_runner  # noqa: E402

ARGS = None


class ManifestReadingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.reader = test_runner.addon_module(ARGS.source_dir, "custom_pass_manifest")

    # What the plugin writes (its C++ test checks the same text).
    WRITTEN = """{
  "take": "replay (2)",
  "back_buffer": "unorm",
  "prores": "4444",
  "meshes": [
    {"hash": "1a2b", "colour": [0.003921569, 0, 1], "colour_8bit": [1, 0, 255]},
    {"hash": "4dc13974d71cc7a7", "colour": [0.9266666, 0.1847196, 0.13899997], "colour_8bit": [236, 47, 35]}
  ],
  "highlight": {"colour": [1, 0.5019608, 0], "colour_8bit": [255, 128, 0]}
}
"""

    def test_reads_what_the_plugin_writes(self):
        manifest = self.reader.parse_manifest(self.WRITTEN)
        self.assertEqual(manifest.take, "replay (2)")
        self.assertTrue(manifest.prores_4444)
        self.assertEqual([m.hash for m in manifest.meshes], ["1a2b", "4dc13974d71cc7a7"])
        self.assertEqual(manifest.meshes[1].colour_8bit, (236, 47, 35))
        self.assertEqual(manifest.meshes[1].key_colour(), (236 / 255, 47 / 255, 35 / 255))
        self.assertEqual(manifest.highlight.colour_8bit, (255, 128, 0))
        self.assertFalse(self.reader.parse_manifest(
            self.WRITTEN.replace('"4444"', '"422 HQ"')).prores_4444)

    def test_refuses_damage_and_says_where(self):
        cases = (
            (self.WRITTEN[:-20], "is not JSON: "),
            ("[1, 2]", "is not a JSON object"),
            ('{"highlight": {}}', 'has no "meshes" list'),
            (self.WRITTEN.replace('"1a2b"', '"1A2B"'), 'mesh 1: "hash" is not a hexadecimal'),
            (self.WRITTEN.replace("[236, 47, 35]", "[236, 47, 256]"),
             'mesh 2 (4dc13974d71cc7a7): "colour_8bit" is not three whole numbers'),
            (self.WRITTEN.replace("[236, 47, 35]", "[236, 47.5, 35]"), '"colour_8bit"'),
            (self.WRITTEN.replace("[0.003921569, 0, 1]", "[0, 1]"),
             'mesh 1 (1a2b): "colour" is not three numbers'),
            (self.WRITTEN.replace('"highlight": {', '"glow": {'), 'highlight: "colour"'),
        )
        for text, says in cases:
            with self.assertRaises(self.reader.ManifestError, msg=says) as refused:
                self.reader.parse_manifest(text)
            self.assertIn(says, str(refused.exception))

    def test_a_file_that_cannot_be_read_is_named(self):
        with self.assertRaises(self.reader.ManifestError) as refused:
            self.reader.read_manifest(os.path.join(ARGS.source_dir, "no such file.json"))
        self.assertIn("cannot be read: ", str(refused.exception))


def main():
    global ARGS
    ARGS, rest = test_runner.source_dir_option()
    test_runner.run_plain(rest)


main()

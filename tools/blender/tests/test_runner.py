# What every test program here does around its test cases: read its options,
# run the cases, and make a failure the program's exit status. In Blender the
# options follow Blender's own "--", and a script fails the run by raising
# (the tests start Blender with --python-exit-code 1).

import argparse
import importlib.util
import os
import sys
import unittest

# The simulator's shapes (render_preview) live in the folder above.
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def blender_options(*names):
    """The test's options after Blender's "--", every one required. The
    add-on's folder, when given, is where its package is imported from."""
    argv = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    parser = argparse.ArgumentParser()
    for name in names:
        parser.add_argument(name, required=True)
    options = parser.parse_args(argv)
    if "--addon-dir" in names:
        sys.path.insert(0, os.path.abspath(options.addon_dir))
    return options


def run_in_blender(case, failure):
    """Runs the test case; any failed test raises with the line given."""
    result = unittest.TextTestRunner(verbosity=2).run(
        unittest.defaultTestLoader.loadTestsFromTestCase(case))
    if not result.wasSuccessful():
        raise RuntimeError(failure)


def source_dir_option():
    """Plain Python tests: --source-dir, and what unittest takes of the rest."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--source-dir", required=True)
    return parser.parse_known_args()


def run_plain(rest):
    """Runs the calling program's tests and exits with their verdict."""
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)


def addon_module(source_dir, name):
    """One module of the add-on on its own: the package needs Blender's bpy."""
    sys.dont_write_bytecode = True
    path = os.path.join(source_dir, "tools", "blender", "kivren_framedata_import", name + ".py")
    location = importlib.util.spec_from_file_location(name, path)
    module = importlib.util.module_from_spec(location)
    location.loader.exec_module(module)
    return module

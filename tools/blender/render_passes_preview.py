# The two README pictures of the passes in Blender's compositor, made from a
# recording: the node tree the import builds (docs/blender-passes-nodes.png)
# and a composite made with it (docs/blender-passes-composite.png), where
# one car's matte recolours that car and the Z pass thickens a fog with
# distance. Made from a kivren-sim recording with its ID pass in ProRes 4444:
#   echo "kivren_custom_pass_444 1" > /tmp/kivren-444.cfg
#   build/native/bin/kivren-sim --size 960x540 --frames 120 --pace fast \
#       --script /tmp/kivren-444.cfg --out /tmp/kivren-passes
#   blender -b --factory-startup --python-exit-code 1 --python tools/blender/render_passes_preview.py -- \
#       --recording /tmp/kivren-passes/replay.txt --frame 30 --output docs/blender-passes-composite.png
#   xvfb-run -a -s "-screen 0 1600x1000x24" blender --factory-startup --python-exit-code 1 \
#       --python tools/blender/render_passes_preview.py -- \
#       --recording /tmp/kivren-passes/replay.txt --output docs/blender-passes-nodes.png
# In the background (-b) it renders the composite; in a window (under Xvfb)
# it shows the compositor's node editor and saves that. The add-on is loaded
# from the folder of this script; nothing is installed.

import argparse
import os
import sys

import addon_utils
import bpy

ADDON = "kivren_framedata_import"
ZOOM_STEPS = 5
FOG_COLOUR = (0.72, 0.78, 0.86, 1.0)
# The fog starts 25 m from the camera and is at its thickest, 70 %, 80 m further.
FOG_START_M, FOG_DEPTH_M, FOG_MOST = 25.0, 80.0, 0.7


def parse_arguments():
    argv = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    parser = argparse.ArgumentParser(description="Show the Kivren passes in the compositor")
    parser.add_argument("--recording", required=True, help="frame data file, NAME.txt")
    parser.add_argument("--frame", type=int, default=1, help="video frame, from 1")
    parser.add_argument("--recolour", help="hash of the mesh to recolour (default: the "
                                           "highest hash of the ID pass list; in kivren-sim's "
                                           "recordings the first car)")
    parser.add_argument("--output", required=True, help="PNG file to write")
    parser.add_argument("--addon-dir", default=os.path.dirname(os.path.abspath(__file__)))
    return parser.parse_args(argv)


def add_example(tree, z, matte):
    """Main, with the chosen mesh's hue turned half way round inside its
    matte, under a fog that thickens with Z; into the Composite node."""
    nodes, links = tree.nodes, tree.links
    frame = nodes.new("NodeFrame")
    frame.label = "Example: one car recoloured by its matte, fog by Z"
    frame.label_size = 16
    x, y = 4 * 360, -1.5 * 330

    def node(kind, label, dx, dy):
        n = nodes.new(kind)
        n.label = label
        n.parent = frame
        n.location = (x + dx, y + dy)
        return n

    main = nodes["Kivren Main video"].outputs["Image"]
    hue = node("CompositorNodeHueSat", "Turn the hue", 0, 0)
    hue.inputs["Hue"].default_value = 0.0
    links.new(main, hue.inputs["Image"])
    recoloured = node("CompositorNodeMixRGB", "Recolour inside the matte", 240, 0)
    links.new(matte, recoloured.inputs["Fac"])
    links.new(main, recoloured.inputs[1])
    links.new(hue.outputs["Image"], recoloured.inputs[2])
    fog_amount = node("CompositorNodeMath", "Fog from Z", 240, -220)
    fog_amount.operation = 'MULTIPLY_ADD'
    fog_amount.use_clamp = True
    fog_amount.inputs[1].default_value = FOG_MOST / FOG_DEPTH_M
    fog_amount.inputs[2].default_value = -FOG_START_M * FOG_MOST / FOG_DEPTH_M
    links.new(z, fog_amount.inputs[0])
    limit = node("CompositorNodeMath", "At most 70 %", 420, -220)
    limit.operation = 'MINIMUM'
    limit.inputs[1].default_value = FOG_MOST
    links.new(fog_amount.outputs[0], limit.inputs[0])
    fog = node("CompositorNodeMixRGB", "Fog", 600, 0)
    fog.inputs[2].default_value = FOG_COLOUR
    links.new(limit.outputs[0], fog.inputs["Fac"])
    links.new(recoloured.outputs["Image"], fog.inputs[1])
    composite = nodes["Kivren Composite"]
    links.new(fog.outputs["Image"], composite.inputs["Image"])
    composite.location = (x + 820, y)
    composite.parent = None
    viewer = nodes["Kivren Viewer"]
    links.new(fog.outputs["Image"], viewer.inputs["Image"])


def show_node_editor(path):
    """In a window: the compositor's nodes fill the window, then a picture
    of it. Each step waits for the window to be drawn after the last."""
    def area_and_region():
        window = bpy.context.window_manager.windows[0]
        area = max(window.screen.areas, key=lambda a: a.width * a.height)
        return window, area, next(r for r in area.regions if r.type == 'WINDOW')

    def show_nodes():
        _, area, _ = area_and_region()
        area.type = 'NODE_EDITOR'
        area.ui_type = 'CompositorNodeTree'
        area.spaces.active.show_region_ui = False
        area.spaces.active.show_region_toolbar = False

    def fill_window():
        window, area, region = area_and_region()
        with bpy.context.temp_override(window=window, area=area, region=region):
            bpy.ops.screen.screen_full_area(use_hide_panels=True)

    def frame_nodes():
        window, area, region = area_and_region()
        with bpy.context.temp_override(window=window, area=area, region=region):
            bpy.ops.node.view_all()

    def zoom_in():
        # Blender 3.4's "frame all" leaves a wide margin round a tree this
        # shape; the nodes' labels want it closer.
        window, area, region = area_and_region()
        with bpy.context.temp_override(window=window, area=area, region=region):
            for _ in range(ZOOM_STEPS):
                bpy.ops.view2d.zoom_in()

    def save():
        window, area, _ = area_and_region()
        try:
            with bpy.context.temp_override(window=window, area=area):
                bpy.ops.screen.screenshot_area(filepath=os.path.abspath(path))
        finally:
            bpy.ops.wm.quit_blender()

    for node in bpy.context.scene.node_tree.nodes:
        node.select = False
    # Frames take their size from their nodes when first drawn: frame the
    # view once they have been.
    steps = [show_nodes, fill_window, frame_nodes, frame_nodes, zoom_in, save]

    def next_step():
        steps.pop(0)()
        return 1.0 if steps else None

    bpy.app.timers.register(next_step, first_interval=2.0)


def main():
    args = parse_arguments()
    sys.dont_write_bytecode = True
    sys.path.insert(0, os.path.abspath(args.addon_dir))
    bpy.context.preferences.view.show_splash = False
    # The view jumps to the nodes at once, not in an animation the picture would catch.
    bpy.context.preferences.view.smooth_view = 0
    if bpy.app.background:
        # In a window the factory start-up is already loaded, and reloading
        # it under a running window pulls the window manager away.
        bpy.ops.wm.read_factory_settings(use_empty=True)
    if addon_utils.enable(ADDON, default_set=True) is None:
        raise RuntimeError("the add-on %s could not be enabled from %s" % (ADDON, args.addon_dir))

    recording = os.path.abspath(args.recording)
    video = os.path.splitext(recording)[0] + ".mov"
    width, height = bpy.data.movieclips.load(video, check_existing=True).size
    if width == 0:
        raise RuntimeError("Blender cannot read the Main video %s" % video)
    bpy.ops.import_scene.kivren_framedata(filepath=recording, resolution_x=width,
                                          resolution_y=height)
    scene = bpy.context.scene
    nodes = scene.node_tree.nodes if scene.node_tree else {}
    mattes = {n.name[len("Kivren Matte "):]: n.outputs[0] for n in nodes
              if n.name.startswith("Kivren Matte ")}
    z = nodes["Kivren Composite"].inputs["Z"].links if "Kivren Composite" in nodes else ()
    if not mattes or not z:
        raise RuntimeError("the recording's Depth and ID passes did not come in")
    recolour = args.recolour or sorted(mattes)[-1]
    if recolour not in mattes:
        raise RuntimeError("no mesh %s in the ID pass list (%s)" % (recolour, ", ".join(mattes)))
    add_example(scene.node_tree, z[0].from_socket, mattes[recolour])

    if not bpy.app.background:
        show_node_editor(args.output)
        return
    if not 1 <= args.frame <= scene.frame_end - scene.frame_start + 1:
        raise RuntimeError("--frame %d: the recording has frames 1 to %d"
                           % (args.frame, scene.frame_end - scene.frame_start + 1))
    scene.frame_set(scene.frame_start + args.frame - 1)
    scene.render.resolution_percentage = 100
    scene.render.image_settings.file_format = 'PNG'
    scene.render.image_settings.color_mode = 'RGB'
    scene.render.image_settings.compression = 100
    scene.render.filepath = os.path.abspath(args.output)
    bpy.ops.render.render(write_still=True)


if __name__ == "__main__":
    main()
